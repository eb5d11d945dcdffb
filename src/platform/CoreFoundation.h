#pragma once
// The few immutable property-list values that the system's C calls take as object references:
// constant strings and the two booleans. They live for the whole process, so nothing is
// retained or released.
namespace platform::cf {

struct Object {
    enum class Kind { string, boolean };
    Kind kind;
    const char* text = nullptr; // a string's UTF-8 text
    bool value = false;         // a boolean's value
};
using TypeRef = const Object*;
using StringRef = const Object*;
using BooleanRef = const Object*;

// A constant string, as a string literal in the system's C calls would be made.
constexpr Object constantString(const char* text) { return Object{Object::Kind::string, text, false}; }

inline constexpr Object kTrueObject{Object::Kind::boolean, nullptr, true};
inline constexpr Object kFalseObject{Object::Kind::boolean, nullptr, false};
inline constexpr BooleanRef kBooleanTrue = &kTrueObject;
inline constexpr BooleanRef kBooleanFalse = &kFalseObject;

} // namespace platform::cf
