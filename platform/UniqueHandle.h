#pragma once

#include <utility>

// An owned system handle, closed once when it goes away. `Traits` name the handle's type (`Value`), the value
// that holds nothing (`Invalid()`) and how a handle is closed (`Close`).
template <typename Traits>
class CUniqueHandle {
  public:
    using Value = typename Traits::Value;

    explicit CUniqueHandle(Value value = Traits::Invalid()) : m_value(value) {}
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_value(std::exchange(other.m_value, Traits::Invalid())) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        std::swap(m_value, other.m_value);  // the old handle goes with `other`
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    ~CUniqueHandle() {
        if (m_value != Traits::Invalid()) {
            Traits::Close(m_value);
        }
    }
    Value Get() const { return m_value; }
    explicit operator bool() const { return m_value != Traits::Invalid(); }

  private:
    Value m_value;
};
