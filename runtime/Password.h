#pragma once

// Passwords kept as Argon2id hashes (the self-describing "$argon2id$..." text, which carries its
// own salt and cost), never as typed.  A hash costs tens of megabytes of memory while it is
// computed, so at most as many hashes are computed at once as the machine has cores; the others
// wait their turn, and a flood of logins cannot exhaust the memory.  Raises Exception when the
// hashing library cannot start or run out of memory.

#include <string>
#include <string_view>

// A new hash of `password` with a fresh random salt, at the library's interactive cost.
std::string HashPassword(std::string_view password);

// Whether `stored` is a password hash this program makes and reads (as opposed to a password
// kept as typed by older versions of the database).
bool IsPasswordHash(std::string_view stored);

// Whether `password` is the one `stored` was made from.  A `stored` that is no hash is never
// accepted here.
bool VerifyPassword(std::string_view stored, std::string_view password);

// Takes as long as VerifyPassword with a hash of the current cost, and accepts nothing: for a
// user name that has no password, so that the time of a refusal does not tell whether the user
// exists.
void VerifyNoPassword(std::string_view password);

// Whether `stored` is a hash made at a lower cost than HashPassword uses now.
bool PasswordNeedsRehash(std::string_view stored);
