// A fixture for tests that fill the location map singleton and the environment table, and leave both as they found them.
#ifndef LOCMAP50_TESTS_UNIT_MAPSINGLETONTESTSUPPORT_H
#define LOCMAP50_TESTS_UNIT_MAPSINGLETONTESTSUPPORT_H

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "locmap50/VnLocMap.h"

namespace maptest {

class MapSingletonTest : public ::testing::Test {
protected:
    void SetUp() override { m_savedEnvTable = VnLocMap::s_envHardToSoftMap; }
    void TearDown() override {
        if (VnLocMap::exists()) VnLocMap::createMap()->DestroyMap();
        VnLocMap::s_envHardToSoftMap = m_savedEnvTable;
    }

private:
    std::map<std::string, std::string> m_savedEnvTable;
};

}  // namespace maptest

#endif  // LOCMAP50_TESTS_UNIT_MAPSINGLETONTESTSUPPORT_H
