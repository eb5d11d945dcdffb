#pragma once
// The privileged helper's names, in one place for both programs. installPath and plistPath are
// the label placed in the two system folders, so a new label moves all of them together.
#include <string_view>

struct HelperConstants {
    HelperConstants() = delete;

#define PELORN_HELPER_LABEL "com.ostrane.pelorn.helper"
    static constexpr std::string_view label = PELORN_HELPER_LABEL;
    static constexpr std::string_view installPath = "/Library/PrivilegedHelperTools/" PELORN_HELPER_LABEL;
    static constexpr std::string_view plistPath = "/Library/LaunchDaemons/" PELORN_HELPER_LABEL ".plist";
#undef PELORN_HELPER_LABEL
    static constexpr int version = 2;
    static constexpr int minimumDischargeTarget = 10;
};
