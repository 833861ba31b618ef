// SPDX-License-Identifier: Apache-2.0
// Special files and conditions for tests, made only inside a test's own scratch directory or process: device nodes, FIFOs, ACLs read with getfacl, another user in a child process, a small stack, a low handle limit.
#ifndef LOCMAP50_TESTS_SCRATCHNODES_H
#define LOCMAP50_TESTS_SCRATCHNODES_H

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <grp.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace testsupport {

#ifndef _WIN32
inline bool runningAsRoot() { return ::geteuid() == 0; }

// A character device node of the given numbers at path, which must lie in a
// scratch directory; false (and nothing made) when the process may not.
inline bool makeCharacterDevice(const std::filesystem::path &path, unsigned major, unsigned minor) {
    if (!runningAsRoot()) return false;
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(major, minor)) == 0;
}
// The kernel's "null" and "zero" devices, as fresh nodes in a scratch directory.
inline bool makeNullDevice(const std::filesystem::path &path) { return makeCharacterDevice(path, 1, 3); }
inline bool makeZeroDevice(const std::filesystem::path &path) { return makeCharacterDevice(path, 1, 5); }

inline bool makeFifo(const std::filesystem::path &path) { return ::mkfifo(path.c_str(), 0644) == 0; }

inline bool isCharacterDevice(const std::filesystem::path &path) {
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}
inline bool isFifo(const std::filesystem::path &path) {
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
}

// What getfacl prints for path, without the header naming file, owner and
// group ("getfacl -c"), as the acl package's tool shows an access list.
inline std::string accessListOf(const std::string &path) {
    std::string text;
    const std::unique_ptr<FILE, int (*)(FILE *)> output(::popen(("getfacl -c -- '" + path + "' 2>&1").c_str(), "r"),
                                                        ::pclose);
    if (!output) return "<getfacl did not run>";
    std::array<char, 256> chunk;
    while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), output.get()) != nullptr) text += chunk.data();
    return text;
}

// What work returns, done in a child process as user and group with the
// given other groups (needs root); -1 when the child did not end normally,
// as when work kills it.
inline int exitCodeAs(uid_t user, gid_t group, const std::vector<gid_t> &groups, const std::function<int()> &work) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(group, group, group) != 0 ||
            ::setresuid(user, user, user) != 0)
            ::_exit(101);
        ::_exit(work());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Lowers the soft limit of open files for the scope.
class ScopedHandleLimit {
public:
    explicit ScopedHandleLimit(rlim_t limit) {
        m_active = ::getrlimit(RLIMIT_NOFILE, &m_old) == 0;
        struct rlimit lowered = m_old;
        lowered.rlim_cur = limit;
        m_active = m_active && ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~ScopedHandleLimit() {
        if (m_active) ::setrlimit(RLIMIT_NOFILE, &m_old);
    }
    ScopedHandleLimit(const ScopedHandleLimit &) = delete;
    ScopedHandleLimit &operator=(const ScopedHandleLimit &) = delete;
    bool active() const { return m_active; }

private:
    struct rlimit m_old {};
    bool m_active = false;
};
#endif

// Runs work on a new thread whose stack is stackSize bytes (by default 1 MiB,
// the Windows default for a thread), and waits for it. False when no such
// thread could be started.
inline bool runOnSmallStack(const std::function<void()> &work, std::size_t stackSize = 1024 * 1024) {
#ifdef _WIN32
    struct Entry {
        static DWORD WINAPI run(LPVOID argument) {
            (*static_cast<const std::function<void()> *>(argument))();
            return 0;
        }
    };
    HANDLE thread = ::CreateThread(nullptr, stackSize, &Entry::run, const_cast<std::function<void()> *>(&work),
                                   STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) return false;
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    return true;
#else
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) return false;
    ::pthread_attr_setstacksize(&attributes, stackSize);
    auto entry = [](void *argument) -> void * {
        (*static_cast<const std::function<void()> *>(argument))();
        return nullptr;
    };
    pthread_t thread;
    const bool started = ::pthread_create(&thread, &attributes, entry, const_cast<std::function<void()> *>(&work)) == 0;
    ::pthread_attr_destroy(&attributes);
    if (started) ::pthread_join(thread, nullptr);
    return started;
#endif
}

}  // namespace testsupport

#endif  // LOCMAP50_TESTS_SCRATCHNODES_H
