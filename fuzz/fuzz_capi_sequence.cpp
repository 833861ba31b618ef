// SPDX-License-Identifier: Apache-2.0
// libFuzzer target: random sequences of C interface calls (set-up, translations both ways with and without a map, edits, saves and export, the load problems and failures) in a scratch directory, reading every returned text as long as the header says it lives.
//
// Input: main map text, a line "%%", included map text, a line "%%", then one
// call per line: its first character picks the call, the rest is its argument.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "locmap50/locmap50.h"

namespace {

const std::string kSplitLine = "\n%%\n";

// Cuts the next part off text at a "%%" line; the whole rest when there is none.
std::string nextPart(std::string &text) {
    const std::size_t split = text.find(kSplitLine);
    std::string part = text.substr(0, split);
    text = split == std::string::npos ? std::string() : text.substr(split + kSplitLine.size());
    return part;
}

// A buffer big enough for any translation of argument: a map or environment
// value, the current directory and the argument itself.
std::vector<char> bufferFor(const std::string &argument, std::size_t inputSize) {
    return std::vector<char>(2 * (argument.size() + inputSize) + 65536, 'x');
}

void translate(char call, const std::string &argument, std::size_t inputSize) {
    std::vector<char> buffer = bufferFor(argument, inputSize);
    const char *name = argument.c_str();
    switch (call) {
    case 'H': GetHardName(name, buffer.data()); break;
    case 'A': GetAbsoluteHardName(name, buffer.data()); break;
    case 'S': GetSoftName(name, buffer.data()); break;
    default: break;
    }
}

// The Ex forms with a buffer size taken from the argument's first byte.
void translateIntoSmallBuffer(char call, const std::string &argument) {
    const std::size_t size = argument.empty() ? 0 : static_cast<unsigned char>(argument[0]) % 64;
    const std::string name = argument.empty() ? argument : argument.substr(1);
    std::vector<char> buffer(size + 1, 'x');
    switch (call) {
    case 'h': GetHardNameEx(name.c_str(), buffer.data(), size); break;
    case 'a': GetAbsoluteHardNameEx(name.c_str(), buffer.data(), size); break;
    case 's': GetSoftNameEx(name.c_str(), buffer.data(), size); break;
    default: break;
    }
}

// Texts the C functions returned, read after every later call for as long
// as the header promises them: AddressSanitizer sees a text freed too early.
enum class Lifetime { UntilLoad, UntilLoadOrEdit, UntilSaveExportOrEdit };
struct ReturnedText {
    const char *text;
    Lifetime lifetime;
};
std::vector<ReturnedText> g_returned;

void keep(const char *text, Lifetime lifetime) {
    if (text != nullptr) g_returned.push_back({text, lifetime});
}

// Forgets the texts whose life ends with a call of the kinds given.
void forgetTexts(bool load, bool edit, bool saveOrExport) {
    std::vector<ReturnedText> living;
    for (const ReturnedText &returned : g_returned) {
        const bool ends = load || (edit && returned.lifetime != Lifetime::UntilLoad) ||
                          (saveOrExport && returned.lifetime == Lifetime::UntilSaveExportOrEdit);
        if (!ends) living.push_back(returned);
    }
    g_returned.swap(living);
}

// Volatile, so that the reads cannot be left out.
volatile std::size_t g_textLength = 0;

void readEveryText() {
    std::size_t length = 0;
    for (const ReturnedText &returned : g_returned) length += std::strlen(returned.text);
    g_textLength = length;
}

struct EditArguments {
    int operation = -1;
    std::string softName;
    std::string hardNames;
    const char *hardNamesOrNull() const {
        return operation == 2 && hardNames.empty() ? nullptr : hardNames.c_str();
    }
};

// "<operation digit><soft name><tab><hard path list>"
EditArguments editArguments(const std::string &argument) {
    EditArguments edit;
    if (argument.empty()) return edit;
    edit.operation = argument[0] - '0';
    const std::string rest = argument.substr(1);
    const std::size_t tab = rest.find('\t');
    edit.softName = rest.substr(0, tab);
    edit.hardNames = tab == std::string::npos ? std::string() : rest.substr(tab + 1);
    return edit;
}

// "C<operation digit><soft name><tab><hard path list>"
void changeEntry(const std::string &argument) {
    if (argument.empty()) return;
    const EditArguments edit = editArguments(argument);
    ChangeEntry(edit.softName.c_str(), edit.hardNamesOrNull(), edit.operation);
}

// "c<file digit><operation digit><soft name><tab><hard path list>"; the file
// digit names the main or the included file, relative or absolute, or a file
// that was never loaded.
void changeEntryInFile(const std::string &argument) {
    if (argument.empty()) return;
    const std::string names[] = {"main.map", "shared.map", (fuzzscratch::directory() / "main.map").string(),
                                 (fuzzscratch::directory() / "shared.map").string(), "absent.map"};
    const std::string &file = names[static_cast<unsigned char>(argument[0] - '0') % std::size(names)];
    const EditArguments edit = editArguments(argument.substr(1));
    ChangeEntryInFile(file.c_str(), edit.softName.c_str(), edit.hardNamesOrNull(), edit.operation);
}

void keepLoadProblems() {
    const int count = GetLoadProblemCount();
    for (int index = -1; index <= count; ++index) {
        int severity = 0, kind = 0, line = 0;
        const char *file = nullptr, *detail = nullptr;
        if (GetLoadProblem(index, &severity, &kind, &file, &line, &detail) != LOCMAP50_OK) continue;
        keep(file, Lifetime::UntilLoadOrEdit);
        keep(detail, Lifetime::UntilLoadOrEdit);
    }
}

void keepLastFailure() {
    int reason = 0;
    const char *file = nullptr, *detail = nullptr;
    GetLastFailure(&reason, &file);
    GetLastFailureDetail(&detail);
    keep(file, Lifetime::UntilSaveExportOrEdit);
    keep(detail, Lifetime::UntilSaveExportOrEdit);
}

// Only fixed targets inside the scratch directory: a translated soft name
// could lead anywhere.
void exportMap(const std::string &argument) {
    const std::string absolute = (fuzzscratch::directory() / "export.map").string();
    const char which = argument.empty() ? '0' : argument[0];
    if (which == '1') {
        Export("export2.map", 0);  // translates only once made absolute
    } else if (which == '2') {
        Export(absolute.c_str(), 1);
    } else {
        Export(absolute.c_str(), 0);
    }
}

// Which returned texts a call may end the life of.
void forgetTextsEndedBy(char call) {
    const bool load = call == 'I' || call == 'P' || call == 'D';
    const bool edit = call == 'C' || call == 'c';
    const bool saveOrExport = call == 'E' || call == 'V' || call == 'W' || call == 'K';
    forgetTexts(load, edit, saveOrExport);
}

void runCall(char call, const std::string &argument, std::size_t inputSize) {
    fuzzscratch::requireLoadedFilesInScratch();
    forgetTextsEndedBy(call);
    switch (call) {
    case 'I': InitLocationMap("main.map", 1); break;
    case 'P': InitLocationMap(fuzzscratch::directory().string().c_str(), 0); break;
    case 'D': InitLocationMap("absent.map", 1); break;  // leaves no map
    case 'H': case 'A': case 'S': translate(call, argument, inputSize); break;
    case 'h': case 'a': case 's': translateIntoSmallBuffer(call, argument); break;
    case 'R': FreeHardPathList(ReturnAllHardPath(argument.c_str())); break;
    case 'C': changeEntry(argument); break;
    case 'c': changeEntryInFile(argument); break;
    case 'E': exportMap(argument); break;
    case 'V': SaveLocationMap(0); break;
    case 'W': SaveLocationMap(1); break;
    case 'K': SaveLocationMapKeepingLayout(); break;
    case 'O': IsEnvOverridden(argument.c_str()); break;
    case 'F': keep(CurrentEntryFileName(argument.c_str()), Lifetime::UntilLoad); break;
    case 'L': keepLoadProblems(); break;
    case 'G': keepLastFailure(); break;
    case 'U': UnsetLocMapEnvVariable(); break;
    case 'N':
        IsLocMapPresent();
        keep(CurrentMapName(), Lifetime::UntilLoad);
        keep(GetErrorString(), Lifetime::UntilLoad);
        break;
    default: break;
    }
    readEveryText();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzscratch::enter("locmap50_fuzz_capi");
    // Variables the seeds name, so expansion and overrides have something to find.
    setenv("LMF_A", "C:\\env\\a", 1);
    setenv("LMF_B", "\\\\server\\share\\b", 1);
    setenv("LMF_POSIX", "/opt/env posix", 1);
    setenv("HOME", fuzzscratch::directory().c_str(), 1);
    unsetenv("WDIR");
    unsetenv("ZOR_LOCATION_MAP");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string rest(reinterpret_cast<const char *>(data), size);
    if (!fuzzscratch::includesOnlyScratchFiles(rest)) return 0;
    const std::string mainText = nextPart(rest);
    const std::string includedText = nextPart(rest);
    fuzzscratch::writeFile("main.map", mainText);
    fuzzscratch::writeFile("zor_location_map", mainText);
    fuzzscratch::writeFile("shared.map", includedText);

    std::size_t start = 0;
    for (int count = 0; count < 64 && start < rest.size(); ++count) {
        std::size_t end = rest.find('\n', start);
        if (end == std::string::npos) end = rest.size();
        if (end > start) runCall(rest[start], rest.substr(start + 1, end - start - 1), size);
        start = end + 1;
    }
    fuzzscratch::requireLoadedFilesInScratch();
    g_returned.clear();
    InitLocationMap("absent.map", 1);  // the next run starts with no map
    fuzzscratch::removeEverything();
    return 0;
}
