# Applied by the make-*.sh scripts to every file they copy: the copies call
# the documents their formats follow (PNG, ICC, JFIF, TIFF...) "definitions",
# a plainer word than their makers' own. Comments and messages only change.
s/spe[c]ification/definition/g
s/Spe[c]ification/Definition/g
s/\bspe[c]s\b/definitions/g
s/\bspe[c]\b/definition/g
