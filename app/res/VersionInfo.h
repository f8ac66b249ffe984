// The version block: file and product version 1.0.0.1, Chinese (PRC), code page 936.
#pragma once

struct VersionInfo {
    const char* fileVersion;
    const char* productVersion;
    unsigned short language;  // 0x0804 Chinese (PRC)
    unsigned short codePage;  // 936
    const char* internalName;
    const char* originalFilename;
    const char* fileDescription;
    const char* productName;
};

inline constexpr VersionInfo kVersionInfo = {
    "1.0.0.1",
    "1.0.0.1",
    0x0804,
    936,
    "CE_MOLV",
    "CE_MOLV",
    "Thermal printer module demonstration and test tool",
    "CE_MOLV",
};
