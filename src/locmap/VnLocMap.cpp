// The location map object: singleton protocol, construction, copying, uninitialize.
#include <new>

#include "locmap50/VnLocMap.h"

VnLocMap::VnLocMap()
    : m_msgBadEnvPath("Error: Environment varibale ZOR_LOCATION_MAP\n is pointing to a wrong path.\n\n"),
      m_msgNoReadAccess(
          "Error: Location map file %s does not\n have read read permission or does not exist.\n\n"),
      m_globalMapInUse(true),
      m_loadErrorCount(0),
      m_loadWarningCount(0) {}

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
    m_globalMapInUse = true;
    clearLoadedMap();
    return LOCMAP50_OK;
}

void VnLocMap::clearLoadedMap() {
    m_errorText.clear();
    m_loadErrorCount = 0;
    m_loadWarningCount = 0;
    for (VnLocMapFile &file : m_mapFiles) file.clearMap();
    m_softToHardMap.clear();
    m_mapFiles.clear();
    m_resolvedNameCache.clear();
    m_primaryHardPaths.clear();
    m_softPrefixOrder.clear();
    m_softPrefixCount.clear();
}

int VnLocMap::loadErrorCount() const {
    return m_loadErrorCount;
}

int VnLocMap::loadWarningCount() const {
    return m_loadWarningCount;
}

bool VnLocMap::holdsSoftPrefix(const std::string &softPrefix) const {
    return m_softPrefixCount.count(softPrefix) != 0;
}

void VnLocMap::appendSoftPrefix(const std::string &softPrefix) {
    m_softPrefixOrder.push_back(softPrefix);
    ++m_softPrefixCount[softPrefix];
}

void VnLocMap::dropLastSoftPrefix() {
    if (m_softPrefixOrder.empty()) return;
    const auto counted = m_softPrefixCount.find(m_softPrefixOrder.back());
    if (counted != m_softPrefixCount.end() && --counted->second == 0)
        m_softPrefixCount.erase(counted);
    m_softPrefixOrder.pop_back();
}

void VnLocMap::removeFirstSoftPrefix(const std::string &softPrefix) {
    const auto counted = m_softPrefixCount.find(softPrefix);
    if (counted == m_softPrefixCount.end()) return;
    for (auto it = m_softPrefixOrder.begin(); it != m_softPrefixOrder.end(); ++it) {
        if (*it == softPrefix) {
            m_softPrefixOrder.erase(it);
            break;
        }
    }
    if (--counted->second == 0) m_softPrefixCount.erase(counted);
}
