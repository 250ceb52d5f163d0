#pragma once
// Resource identifiers of Clonarium.exe.

#define IDR_MAINFRAME 128
