// SPDX-License-Identifier: Apache-2.0
// The location map object: singleton protocol, construction, copying, uninitialize.
#include "locmap50/VnLocMap.h"

#include <algorithm>
#include <new>
#include <utility>

#include "locmap/MapState.h"
#include "catalogue/Catalogue.h"

VnLocMap::VnLocMap()
    : m_msgBadEnvPath(locmap50::catalogue::messageFormat(LOCMAP50_PROBLEM_BAD_ENV_PATH)),
      m_msgNoReadAccess(locmap50::catalogue::messageFormat(LOCMAP50_PROBLEM_NO_READ_ACCESS)),
      m_globalMapInUse(true) {}

VnLocMap::~VnLocMap() = default;

VnLocMap::VnLocMap(const VnLocMap &other) = default;

VnLocMap &VnLocMap::operator=(const VnLocMap &other) = default;

VnLocMap *VnLocMap::createMap() {
    if (_instance != nullptr) return _instance;
    // The constructor allocates too (texts, the snapshot): running out of
    // memory there also means the object cannot be made.
    try {
        _instance = new VnLocMap();
    } catch (const std::bad_alloc &) {
        _instance = nullptr;
    }
    return _instance;
}

bool VnLocMap::exists() {
    return _instance != nullptr;
}

void VnLocMap::DestroyMap() {
    uninitialize();
    delete this;
}

int VnLocMap::uninitialize() {
    // Only the singleton lets go of the pointer: an old or copied object must
    // not orphan the singleton that is in use now.
    if (_instance == this) _instance = nullptr;
    clearLoadedMap(MapReset::Uninitialize);
    return LOCMAP50_OK;
}

void VnLocMap::clearLoadedMap(MapReset reset) {
    m_globalMapInUse = true;
    m_errorText.clear();
    m_private.get().problems.clear();
    for (VnLocMapFile &file : m_mapFiles) file.clearMap();
    m_softToHardMap.clear();
    m_mapFiles.clear();
    m_resolvedNameCache.clear();
    m_primaryHardPaths.clear();
    m_softPrefixOrder.clear();
    indexes().clear();
    if (reset == MapReset::Uninitialize) return;
    // An uninitialized object still tells which file it had and what the
    // environment did to it; a new load starts from nothing.
    m_mapFileName.clear();
    m_envOverridden.clear();
    m_softToFileMap.clear();
    m_private.get().handedOutFileNames.clear();
    m_environment.reload();
}

namespace {

int countOfSeverity(const std::vector<VnLoadProblem> &problems, int severity) {
    return static_cast<int>(std::count_if(problems.begin(), problems.end(), [severity](const VnLoadProblem &problem) {
        return problem.severity == severity;
    }));
}

}  // namespace

int VnLocMap::loadErrorCount() const {
    return countOfSeverity(loadProblems(), LOCMAP50_SEVERITY_ERROR);
}

int VnLocMap::loadWarningCount() const {
    return countOfSeverity(loadProblems(), LOCMAP50_SEVERITY_WARNING);
}

const std::vector<VnLoadProblem> &VnLocMap::loadProblems() const {
    static const std::vector<VnLoadProblem> none;
    const locmap50::locmap::MapState *state = m_private.find();
    return state != nullptr ? state->problems : none;
}

locmap50::locmap::LookupIndexes &VnLocMap::indexes() {
    return m_private.get().indexes.get();
}

void VnLocMap::reindex() {
    // Emptied indexes describe no table, so each is built afresh when next used.
    indexes().clear();
    locmap50::locmap::EnvironmentTableIndex::instance().tableRefilled();
}

bool VnLocMap::holdsSoftPrefix(const std::string &softPrefix) {
    return indexes().holdsSoftPrefix(*this, softPrefix);
}

void VnLocMap::appendSoftPrefix(const std::string &softPrefix) {
    indexes().appendSoftPrefix(*this, softPrefix);
}

void VnLocMap::dropLastSoftPrefix() {
    indexes().dropLastSoftPrefix(*this);
}

void VnLocMap::removeFirstSoftPrefix(const std::string &softPrefix) {
    indexes().removeFirstSoftPrefix(*this, softPrefix);
}

void VnLocMap::enterMergedHardPaths(const std::string &softPrefix, std::list<std::string> hardPaths) {
    indexes().enterMergedHardPaths(*this, softPrefix, std::move(hardPaths));
}

void VnLocMap::enterPrimaryHardPath(const std::string &softPrefix, const std::string &hardPath) {
    indexes().enterPrimaryHardPath(*this, softPrefix, hardPath);
}
