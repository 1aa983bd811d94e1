// A generated system.reg of a chosen size, shaped like a real prefix's, with all six hosts
// registered in both views near its end.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace benchsupport {

inline std::string Hex(std::mt19937& random, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < digits; ++i) {
        text += kDigits[random() % 16];
    }
    return text;
}

// Keys shaped like a real prefix's: COM classes, expandable paths saved as hex lines, dwords.
inline std::string GenerateRegistry(size_t targetBytes) {
    std::mt19937 random(42);
    std::string text =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
    while (text.size() < targetBytes) {
        const std::string guid = "{" + Hex(random, 8) + "-" + Hex(random, 4) + "-" +
                                 Hex(random, 4) + "-" + Hex(random, 4) + "-" + Hex(random, 12) +
                                 "}";
        text += "\n[Software\\\\Classes\\\\CLSID\\\\" + guid +
                "\\\\InprocServer32] 1700000000\n#time=1d9a0c2b3e4f560\n"
                "@=\"C:\\\\windows\\\\system32\\\\" +
                Hex(random, 6) + ".dll\"\n\"ThreadingModel\"=\"Both\"\n";
        text +=
            "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\" +
            Hex(random, 8) +
            ".exe] 1700000000\n#time=1d9a0c2b3e4f560\n"
            "\"Path\"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,46,00,69,00,6c,\\\n"
            "  00,65,00,73,00,25,00,5c,00,00,00\n\"Flags\"=dword:0000" +
            Hex(random, 4) + "\n";
    }
    const char* versions[] = {"8.0", "9.0", "10.0", "10.5", "11", "12"};
    for (const char* view : {"Software\\\\Wow6432Node\\\\Adobe", "Software\\\\Adobe"}) {
        for (const char* version : versions) {
            text += std::string("\n[") + view + "\\\\After Effects\\\\" + version +
                    "] 1700000000\n#time=1d9a0c2b3e4f560\n\"PluginInstallPath\"=\"C:\\\\Program "
                    "Files\\\\Adobe\\\\AE " +
                    version + "\\\\Plug-ins\\\\\"\n";
        }
    }
    text += "\n[System\\\\Select] 1700000000\n\"Current\"=dword:00000001\n";
    return text;
}

}  // namespace benchsupport
