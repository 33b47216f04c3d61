#pragma once

// Runs a procedure when the scope it was made in ends, however it ends (a return or an
// exception): for undoing a step whose undoing has no owner of its own.

#include <utility>

template <class F> class TScopeExit {
public:
  explicit TScopeExit(F AExit) : FExit(std::move(AExit)) {}
  ~TScopeExit() { FExit(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

private:
  F FExit;
};
