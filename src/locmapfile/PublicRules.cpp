// SPDX-License-Identifier: Apache-2.0
// The public face of the rules the tool and other readers of map files share (locmap50/rules.h): each hands on to the rule's one home.
#include "locmap50/rules.h"

#include <utility>

#include "locmapfile/Format.h"
#include "paths/AsciiText.h"
#include "paths/NameRules.h"
#include "paths/PathRules.h"
#include "platform/Platform.h"

namespace locmap50::rules {

SoftNameParts splitSoftName(const std::string &name) {
    return paths::splitSoftName(name);
}

std::list<std::string> splitHardPathList(const std::string &listString) {
    return paths::splitHardPathList(listString);
}

std::string joinHardPathList(const std::list<std::string> &hardPaths) {
    return paths::joinHardPathList(hardPaths);
}

bool isAbsolute(std::string_view path) {
    return paths::isAbsolute(path);
}

bool isPosixPath(std::string_view path) {
    return paths::isPosixAbsolute(path, paths::PathStyle::Posix);
}

bool beginsWithDrive(const std::string &name) {
    return paths::beginsWithDrive(name);
}

std::string toHardPathForm(std::string name) {
    return paths::toHardPathForm(std::move(name));
}

std::string toBackslashes(std::string name) {
    return paths::toBackslashes(std::move(name));
}

std::string toHostFileName(std::string name) {
    return paths::toHostFileName(std::move(name));
}

bool isSoftName(std::string_view name) {
    return paths::isSoftName(name);
}

bool isValidSoftPrefix(const std::string &softPrefix) {
    return mapfile::isValidSoftPrefix(softPrefix);
}

bool fitsOnOneLine(const std::string &text) {
    return mapfile::fitsOnOneLine(text);
}

bool readsBackAsHardPath(const std::string &hardPath) {
    return mapfile::readsBackAsHardPath(hardPath);
}

FileControl fileControl(const std::string &fileName) {
    FileControl control;
    const platform::Result<platform::FileControl> found = platform::fileControl(fileName);
    if (!found) return control;
    control.known = true;
    control.ownedByOther = found->ownedByOther;
    control.owner = found->owner;
    control.othersMayWrite = found->othersMayWrite;
    return control;
}

}  // namespace locmap50::rules
