#pragma once

#include <utility>

// Runs a call when the scope that holds it ends, on every path: what a scope opened, it closes.
template <typename TCall>
class CScopeExit {
  public:
    explicit CScopeExit(TCall call) : m_call(std::move(call)) {}
    CScopeExit(const CScopeExit&) = delete;
    CScopeExit& operator=(const CScopeExit&) = delete;
    ~CScopeExit() { m_call(); }

  private:
    TCall m_call;
};
