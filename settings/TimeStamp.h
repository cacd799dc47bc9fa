// The local time as the log and the history write it: 2026/12/08 09:05:07.
#pragma once

#include <cstdio>
#include <string>

#include "platform/Platform.h"

namespace vt {

inline std::string localTimeStamp() {
    LocalTime now = platform().localTime();
    char text[48];
    std::snprintf(text, sizeof text, "%d/%02d/%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return text;
}

}  // namespace vt
