// STUB: platform services (to be written).
#include "platform/Platform.h"

namespace locmap50::platform {
std::optional<std::string> getEnvironmentVariable(const std::string &) { return std::nullopt; }
std::optional<std::vector<std::string>> environmentTable() { return std::nullopt; }
int putEnvironmentEntry(const std::string &) { return -1; }
bool canRead(const std::string &) { return false; }
std::optional<std::string> currentDirectory() { return std::nullopt; }
std::string currentDriveRoot() { return std::string(); }
int currentDriveNumber() { return 0; }
std::unique_ptr<std::istream> openForReading(const std::string &) { return nullptr; }
std::optional<std::string> fileIdentity(const std::string &) { return std::nullopt; }
bool replaceFileWithText(const std::string &, const std::string &) { return false; }
bool writeStandardOutput(const std::string &) { return false; }
namespace testing {
void failWritesAfter(std::size_t) {}
void stopFailingWrites() {}
}  // namespace testing
}  // namespace locmap50::platform
