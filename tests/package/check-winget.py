"""Checks the winget manifest package.sh writes against the rules of the
manifest schema 1.12.0 (the three files of one version, the fields each
type requires and allows, their forms) and against the installer itself.
Prints what is wrong and exits 1; quiet when all holds.
    python3 check-winget.py WINGET-FOLDER INSTALLER.msi PRODUCT-CODE
"""
import hashlib
import os
import re
import sys

import yaml

folder, installer, product_code = sys.argv[1:4]
problems = []
identifier = "Vandrelco.Clonarium"
url = re.compile(r"^[Hh][Tt][Tt][Pp][Ss]?://.+$")
common = {"PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion"}
allowed = {
    "version": common | {"DefaultLocale"},
    "defaultLocale": common | {
        "PackageLocale", "Publisher", "PublisherUrl", "PublisherSupportUrl", "PrivacyUrl", "Author", "PackageName",
        "PackageUrl", "License", "LicenseUrl", "Copyright", "CopyrightUrl", "ShortDescription", "Description",
        "Moniker", "Tags", "Agreements", "ReleaseNotes", "ReleaseNotesUrl", "PurchaseUrl", "InstallationNotes",
        "Documentations", "Icons"},
    "installer": common | {
        "Channel", "InstallerLocale", "Platform", "MinimumOSVersion", "InstallerType", "NestedInstallerType",
        "NestedInstallerFiles", "Scope", "InstallModes", "InstallerSwitches", "InstallerSuccessCodes",
        "ExpectedReturnCodes", "UpgradeBehavior", "Commands", "Protocols", "FileExtensions", "Dependencies",
        "PackageFamilyName", "ProductCode", "Capabilities", "RestrictedCapabilities", "Markets",
        "InstallerAbortsTerminal", "ReleaseDate", "InstallLocationRequired", "RequireExplicitUpgrade",
        "DisplayInstallWarnings", "UnsupportedOSArchitectures", "UnsupportedArguments", "AppsAndFeaturesEntries",
        "ElevationRequirement", "InstallationMetadata", "DownloadCommandProhibited", "RepairBehavior",
        "ArchiveBinariesDependOnPath", "Authentication", "Installers"},
}
required = {
    "version": {"DefaultLocale"},
    "defaultLocale": {"PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"},
    "installer": {"Installers"},
}


def expect(condition, problem):
    if not condition:
        problems.append(problem)


def text(manifest, name, shortest, longest):
    value = manifest.get(name)
    expect(isinstance(value, str) and shortest <= len(value) <= longest,
           f"{name} must be a text of {shortest} to {longest} characters, not {value!r}")


versions = os.path.join(folder, "manifests", "v", "Vandrelco", "Clonarium")
found = os.listdir(versions) if os.path.isdir(versions) else []
expect(len(found) == 1, f"one version folder expected under {versions}, found {found}")
version = found[0] if found else ""
names = {"version": f"{identifier}.yaml", "installer": f"{identifier}.installer.yaml",
         "defaultLocale": f"{identifier}.locale.en-US.yaml"}
files = sorted(os.listdir(os.path.join(versions, version))) if version else []
expect(files == sorted(names.values()), f"the files of the version are {files}")

manifests = {}
for kind, name in names.items():
    path = os.path.join(versions, version, name)
    if not os.path.isfile(path):
        continue
    raw = open(path, "rb").read()
    expect(raw.decode("utf-8").startswith(
        f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.1.12.0.schema.json\n"),
        f"{name} does not name its schema first")
    manifest = yaml.safe_load(raw)
    manifests[kind] = manifest
    expect(isinstance(manifest, dict), f"{name} is not a mapping")
    expect(set(manifest) <= allowed[kind], f"{name} has fields the schema does not know: {set(manifest) - allowed[kind]}")
    expect(required[kind] | common <= set(manifest), f"{name} lacks {required[kind] | common - set(manifest)}")
    expect(manifest.get("PackageIdentifier") == identifier, f"{name} names the package {manifest.get('PackageIdentifier')!r}")
    expect(manifest.get("PackageVersion") == version, f"{name} has the version {manifest.get('PackageVersion')!r}")
    expect(manifest.get("ManifestType") == kind, f"{name} has the type {manifest.get('ManifestType')!r}")
    expect(manifest.get("ManifestVersion") == "1.12.0", f"{name} has the manifest version {manifest.get('ManifestVersion')!r}")

locale = manifests.get("defaultLocale", {})
expect(manifests.get("version", {}).get("DefaultLocale") == locale.get("PackageLocale") == "en-US",
       "the default locale and the locale file disagree")
text(locale, "Publisher", 2, 256)
text(locale, "PackageName", 2, 256)
text(locale, "License", 3, 512)
text(locale, "ShortDescription", 3, 256)
text(locale, "Description", 3, 10000)
for name in ("PublisherUrl", "PackageUrl"):
    expect(url.match(str(locale.get(name, ""))), f"{name} is not an address: {locale.get(name)!r}")
tags = locale.get("Tags", [])
expect(len(tags) <= 16 and len(set(tags)) == len(tags) and all(1 <= len(tag) <= 40 for tag in tags),
       f"the tags break the schema's limits: {tags}")

setup = manifests.get("installer", {})
digest = hashlib.sha256(open(installer, "rb").read()).hexdigest().upper()
expect(setup.get("InstallerType") == "msi", "the installer is not named an MSI")
expect(setup.get("Scope") == "machine", "the installer's scope is not the machine")
expect(setup.get("UpgradeBehavior") == "install", "a new version does not install over the old one")
expect(setup.get("ProductCode") == product_code, f"the product code is {setup.get('ProductCode')!r}, not {product_code}")
entries = setup.get("AppsAndFeaturesEntries", [])
expect(len(entries) == 1 and entries[0].get("ProductCode") == product_code
       and entries[0].get("DisplayVersion") == version and entries[0].get("DisplayName") == locale.get("PackageName"),
       f"the Apps and Features entry does not match the installer: {entries}")
installers = setup.get("Installers", [])
expect(len(installers) == 1, "one installer expected")
for entry in installers:
    expect(entry.get("Architecture") == "x64", "the installer is not for x64")
    expect(url.match(str(entry.get("InstallerUrl", ""))) and
           entry.get("InstallerUrl", "").endswith("/" + os.path.basename(installer)),
           f"the installer's address is {entry.get('InstallerUrl')!r}")
    expect(entry.get("InstallerSha256") == digest,
           f"the installer's hash is {entry.get('InstallerSha256')!r}, the file's {digest}")

for problem in problems:
    print("winget manifest:", problem, file=sys.stderr)
sys.exit(1 if problems else 0)
