// SPDX-License-Identifier: Apache-2.0
// A map test that may also fill the environment table: the table is given back as it was.
#ifndef LOCMAP50_TESTS_SUPPORT_ENVTABLETEST_H
#define LOCMAP50_TESTS_SUPPORT_ENVTABLETEST_H

#include <map>
#include <string>

#include "locmap50/VnLocMap.h"
#include "support/MapTest.h"

namespace testsupport {

class EnvTableTest : public MapTest {
protected:
    void SetUp() override { m_savedEnvTable = VnLocMap::s_envHardToSoftMap; }
    void TearDown() override {
        MapTest::TearDown();
        VnLocMap::s_envHardToSoftMap = m_savedEnvTable;
    }

private:
    std::map<std::string, std::string> m_savedEnvTable;
};

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_SUPPORT_ENVTABLETEST_H
