// SPDX-License-Identifier: Apache-2.0
// JSON output of locmap: texts of any bytes, by the rule in Json.h, and the one place documents are printed.
#include "Json.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace locmap_tool {

namespace {

// nlohmann-json checks UTF-8 as it writes a string; its verdict is the one used.
bool isValidUtf8(const std::string &text) {
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error &) {
        return false;
    }
}

// Names the system hands a narrow program on Windows are in its ANSI code
// page; elsewhere they are bytes, kept as they are. The text unchanged when
// it does not convert.
std::string fromSystemEncoding(const std::string &text) {
#ifdef _WIN32
    if (text.empty()) return text;
    const int size = static_cast<int>(text.size());
    const int wideSize = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (wideSize <= 0) return text;
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, &wide[0], wideSize);
    const int utf8Size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (utf8Size <= 0) return text;
    std::string utf8(static_cast<std::size_t>(utf8Size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, &utf8[0], utf8Size, nullptr, nullptr);
    return utf8;
#else
    return text;
#endif
}

}  // namespace

std::string escapedBytes(const std::string &text) {
    std::string escaped;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            escaped += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7f) {
            static const char kHexDigits[] = "0123456789abcdef";
            escaped += "\\x";
            escaped += kHexDigits[byte >> 4];
            escaped += kHexDigits[byte & 0xf];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void setText(Json &object, const std::string &key, const std::string &text) {
    object[key] = fromSystemEncoding(text);
    if (!isValidUtf8(text)) object[key + "_raw"] = escapedBytes(text);
}

void setTexts(Json &object, const std::string &key, const std::vector<std::string> &texts) {
    Json converted = Json::array();
    for (const std::string &text : texts) converted.push_back(fromSystemEncoding(text));
    object[key] = std::move(converted);
    bool allValid = true;
    for (const std::string &text : texts) allValid = allValid && isValidUtf8(text);
    if (allValid) return;
    Json raw = Json::array();
    for (const std::string &text : texts) raw.push_back(escapedBytes(text));
    object[key + "_raw"] = std::move(raw);
}

void printJson(const Json &document) {
    const std::string text = document.dump(2, ' ', false, Json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
}

}  // namespace locmap_tool
