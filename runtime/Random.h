#pragma once

// Random identifiers (session tokens and ids, form and event ids, callback ids, download keys).
// Every character comes from the operating system's cryptographic random source, so one visitor
// cannot predict another's identifiers from his own.  Each character is drawn uniformly from its
// alphabet.  A length of 0 or less gives an empty string.  Raises Exception when the random
// source fails.

#include <string>

// Characters from "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz".
std::string GenerateRandomString(int n);
// Characters from "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz".
std::string GenerateRandomJustString(int n);
// Characters from "1234567890".
std::string GenerateRandomNumber(int n);
// Characters from "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz".
std::string Gerar_String_Aleatorio(int Size);
