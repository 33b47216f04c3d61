#pragma once

// Random identifiers (session tokens and ids, form and event ids, callback ids, download keys).
// Every character comes from the operating system's cryptographic random source, so one visitor
// cannot predict another's identifiers from his own.  Each character is drawn uniformly from its
// alphabet.  A length of 0 or less gives an empty string.  Raises Exception when the random
// source fails.

#include <string>
#include <string_view>

// Characters from "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz".
std::string GenerateRandomString(int n);
// Characters from "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz".
std::string GenerateRandomJustString(int n);
// Characters from "1234567890".
std::string GenerateRandomNumber(int n);
// Characters from "0123456789abcdef".
std::string GenerateRandomHex(int n);
// Characters from "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz".
std::string Gerar_String_Aleatorio(int Size);

// Whether two secrets (tokens) are equal, in a time that does not depend on where they differ.
bool SameSecret(std::string_view AFirst, std::string_view ASecond);
