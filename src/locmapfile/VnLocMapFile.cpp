// SPDX-License-Identifier: Apache-2.0
// The map file record: construction with the reader's message texts (from the catalogue of words), copying and clearing.
#include "locmap50/VnLocMapFile.h"

#include "locmapfile/FileState.h"
#include "catalogue/Catalogue.h"

using locmap50::catalogue::messageFormat;

VnLocMapFile::VnLocMapFile()
    : m_msgBadVersion(messageFormat(LOCMAP50_PROBLEM_BAD_HEADER)),
      m_msgParseError(messageFormat(LOCMAP50_PROBLEM_PARSE_ERROR)),
      m_msgNoHardPath(messageFormat(LOCMAP50_PROBLEM_NO_HARD_PATH)),
      m_msgEnvOverride(messageFormat(LOCMAP50_PROBLEM_ENV_OVERRIDE)),
      m_msgBadSoftPrefix(messageFormat(LOCMAP50_PROBLEM_BAD_SOFT_PREFIX)),
      m_msgBadInclude(messageFormat(LOCMAP50_PROBLEM_BAD_INCLUDE)),
      m_msgNoSoftPrefix(messageFormat(LOCMAP50_PROBLEM_NO_SOFT_PREFIX)),
      m_msgTooManyHardPaths(messageFormat(LOCMAP50_PROBLEM_TOO_MANY_HARD_PATHS)),
      m_force(false) {}

// Every member is a value, so copies own their own lists and a copy stays
// valid whatever happens to its source.
VnLocMapFile::VnLocMapFile(const VnLocMapFile &other) = default;
VnLocMapFile &VnLocMapFile::operator=(const VnLocMapFile &other) = default;
VnLocMapFile::VnLocMapFile(VnLocMapFile &&other) noexcept = default;
VnLocMapFile &VnLocMapFile::operator=(VnLocMapFile &&other) noexcept = default;
VnLocMapFile::~VnLocMapFile() = default;

int VnLocMapFile::clearMap() {
    m_entryOrder.clear();
    m_includeLines.clear();
    m_entryHardPaths.clear();
    locmap50::mapfile::FileState &state = m_private.get();
    state.keptBlocks.clear();
    state.keptBlockCounts.clear();
    state.recordBlockOrdinals.clear();
    state.includeReads.clear();
    return LOCMAP50_OK;
}
