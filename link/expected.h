#pragma once
// Expected: a value, or the text that says why there is none - what a
// function that can fail returns instead of filling in a "why" argument.
//
// Principles of operation
// - A value: either the result or the user's text for its absence
//   (Error()), never both. A function fails with `return Unexpected{text};`
//   and succeeds by returning its value.
// - Reads like std::optional (operator bool, *, ->); Error() is empty when
//   there is a value.

#include <QString>
#include <optional>
#include <utility>

// Why there is no value; becomes an Expected of any type.
struct Unexpected {
  QString Why;
};

template <typename T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : Value(std::move(value)) {}
  Expected(Unexpected failure) : Why(std::move(failure.Why)) {}

  bool has_value() const { return Value.has_value(); }
  explicit operator bool() const { return has_value(); }
  const T& operator*() const { return *Value; }
  T& operator*() { return *Value; }
  const T* operator->() const { return &*Value; }
  T* operator->() { return &*Value; }
  const QString& Error() const { return Why; }

 private:
  std::optional<T> Value;
  QString Why;
};
