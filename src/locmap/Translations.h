// SPDX-License-Identifier: Apache-2.0
// Both translations in their copy-free form: a result made of pieces that still lie in the map's tables or the input.
#ifndef LOCMAP50_LOCMAP_TRANSLATIONS_H
#define LOCMAP50_LOCMAP_TRANSLATIONS_H

#include <cstddef>
#include <string>
#include <string_view>

#include "locmap50/VnLocMap.h"

namespace locmap50::locmap {

// A translated name as up to three pieces, joined only by whoever keeps it:
// the class operations into their std::string, the C functions straight into
// the caller's buffer. The pieces view the map's tables, the name given, or
// this object's own scratch text, and stay valid until any of them changes.
class TranslatedName {
public:
    TranslatedName() = default;
    TranslatedName(const TranslatedName &) = delete;
    TranslatedName &operator=(const TranslatedName &) = delete;

    void set(std::string_view first, std::string_view second = {}, std::string_view third = {});
    // Text made on the way (an environment value, an expansion) lives here.
    std::string &scratch() { return m_scratch; }

    // Whether a result was set at all; a failed lookup may leave none.
    bool isSet() const { return m_isSet; }
    std::size_t size() const;
    void assignTo(std::string &text) const;
    // Writes the text and a NUL; buffer holds at least size() + 1 bytes.
    void copyTo(char *buffer) const;

private:
    std::string_view m_pieces[3];
    std::string m_scratch;
    bool m_isSet = false;
};

// The translations that VnLocMap::getHardName, getAbsoluteHardName,
// getSoftName and getSoftNameFromEnv and the C functions share. Each converts its name or
// path in place ("/" to "\") and answers as the class operation of the same
// name does; a result left unset is what that operation leaves untouched.
class Translations {
public:
    static int hardName(VnLocMap &map, std::string &name, TranslatedName &result);
    static int absoluteHardName(VnLocMap &map, std::string &name, TranslatedName &result);
    static int softName(VnLocMap &map, std::string &path, TranslatedName &result);
    // path is not converted here, as getSoftNameFromEnv does not convert it.
    static int softNameFromEnvironmentTable(const std::string &path, TranslatedName &result);

    // Lookups through the C interface run on many threads at once; they
    // build nothing then. Whether every index they read is built (map may
    // be null): the map's private state and indexes, the environment
    // table's index. prepareSharedLookups builds what is missing, from one
    // thread while no lookup runs.
    static bool readyForSharedLookups(const VnLocMap *map);
    static void prepareSharedLookups(VnLocMap *map);
    // Tells the memo's guard whether m_resolvedNameCache holds names, which
    // a caller of the class may have put there itself. One thread only.
    static void noteMemoContents(VnLocMap &map);
};

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_TRANSLATIONS_H
