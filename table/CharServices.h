// Character services shared by the engine and the models: conversion between the IBM PC code
// page 437 ("OEM") and Windows-1252 ("ANSI"), and ANSI upper-casing. Every function keeps the
// length of the text; bytes below 128 are never changed by the conversions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One byte from code page 437 to Windows-1252.
unsigned char OemToAnsiChar(unsigned char c);
// One byte from Windows-1252 to code page 437.
unsigned char AnsiToOemChar(unsigned char c);
// Converts `length` bytes of `text` in place.
void OemToAnsi(char* text, size_t length);
void AnsiToOem(char* text, size_t length);

// Windows-1252 upper-casing: a-z and the accented small letters (including s/z caron, the oe
// ligature and y diaeresis) become capitals; everything else is unchanged.
unsigned char AnsiUpperChar(unsigned char c);
void AnsiUpper(char* text, size_t length);
std::string AnsiUpper(std::string_view text);
