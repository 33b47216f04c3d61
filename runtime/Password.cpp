#include "runtime/Password.h"

#include "runtime/Exceptions.h"
#include "runtime/Random.h"
#include "runtime/ScopeExit.h"

#include <sodium.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr std::string_view HashPrefix = "$argon2id$";

void StartLibrary() {
  static const bool started = sodium_init() >= 0;
  if (!started)
    throw Exception("The password hashing library could not start");
}

// The number of hash computations running, held below the limit.
class TWorkGate {
public:
  // Runs `work` once fewer computations than the limit run.
  template <class F> auto Run(F&& work) {
    {
      std::unique_lock lock(FMutex);
      FFree.wait(lock, [this] { return FRunning < FLimit; });
      ++FRunning;
    }
    const TScopeExit leave([this] {
      std::lock_guard lock(FMutex);
      --FRunning;
      FFree.notify_one();
    });
    return work();
  }

private:
  std::mutex FMutex;
  std::condition_variable FFree;
  const int FLimit = std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
  int FRunning = 0;
};

TWorkGate& Gate() {
  static TWorkGate gate;
  return gate;
}

} // namespace

std::string HashPassword(std::string_view password) {
  StartLibrary();
  char hash[crypto_pwhash_STRBYTES];
  const int result = Gate().Run([&] {
    return crypto_pwhash_str(hash, password.data(), password.size(),
                             crypto_pwhash_OPSLIMIT_INTERACTIVE,
                             crypto_pwhash_MEMLIMIT_INTERACTIVE);
  });
  if (result != 0)
    throw Exception("The password could not be hashed: not enough memory");
  return hash;
}

bool IsPasswordHash(std::string_view stored) {
  return stored.starts_with(HashPrefix);
}

bool VerifyPassword(std::string_view stored, std::string_view password) {
  if (!IsPasswordHash(stored) || stored.size() >= crypto_pwhash_STRBYTES)
    return false;
  StartLibrary();
  // The library reads the hash as a C string.
  const std::string hash(stored);
  return Gate().Run([&] {
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size());
  }) == 0;
}

void VerifyNoPassword(std::string_view password) {
  // A hash of a random text no one knows, made once.
  static const std::string nobody = HashPassword(GenerateRandomString(32));
  static_cast<void>(VerifyPassword(nobody, password));
}

bool PasswordNeedsRehash(std::string_view stored) {
  StartLibrary();
  const std::string hash(stored);
  return crypto_pwhash_str_needs_rehash(hash.c_str(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0;
}
