#pragma once
// A value or an error, for operations that the platform would let throw.
#include <optional>
#include <utility>
#include <variant>

namespace pelorn {

template <class T, class E>
class Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    static Result failure(E error) { return Result(std::in_place_index<1>, std::move(error)); }

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(v_); }
    T& value() { return std::get<0>(v_); }
    const E& error() const { return std::get<1>(v_); }

private:
    template <std::size_t I, class U>
    Result(std::in_place_index_t<I> tag, U&& u) : v_(tag, std::forward<U>(u)) {}
    std::variant<T, E> v_;
};

} // namespace pelorn
