// SPDX-License-Identifier: Apache-2.0
// The account of a load derived from the loaded files' records, with the loader's own rules.
#ifndef LOCMAP50_LOCMAP_LOADACCOUNT_H
#define LOCMAP50_LOCMAP_LOADACCOUNT_H

#include <list>
#include <string>
#include <vector>

#include "locmap/LoadRules.h"
#include "locmap50/VnLoadAccount.h"
#include "locmap50/VnLocMapFile.h"

namespace locmap50::locmap {

// One block of a prefix in a file's record: the record's own entry or a
// block it keeps apart.
struct RecordBlock {
    const VnLocMapFile *file = nullptr;
    const std::string *softPrefix = nullptr;
    const std::list<std::string> *hardPaths = nullptr;  // as the record holds them
    unsigned ordinal = 0;  // among the file's blocks of the prefix, in file order, from 0
};

// Told what the records come to, block by block in reading order.
class ResolutionSink {
public:
    virtual ~ResolutionSink() = default;
    // The block in effect for its prefix; hardPaths the file's, as the reader takes them.
    virtual void inEffect(const RecordBlock &block, const std::vector<std::string> &hardPaths,
                          const EnvironmentVerdict &verdict) = 0;
    // A later block of a prefix in effect.
    virtual void shadowed(const RecordBlock &, const std::vector<std::string> &) {}
    // Whether the sink reads the hard paths of softPrefix's blocks; for other
    // prefixes it is told only which block is in effect, with no paths, so
    // that a walk for one prefix copies no other prefix's paths.
    virtual bool wantsHardPaths(const std::string &) const { return true; }
};

// The files' records read as the load read the files (main file first, each
// included file at the include line that read it, as the load recorded),
// every block settled by settleBlock, as the load settles it. The variables
// are those of the process now. files: the map's m_mapFiles, main file first.
void resolveRecords(const std::list<VnLocMapFile> &files, ResolutionSink &sink);

// The line of hardPath in block; 0 when the block gives it on no line found.
int hardPathLineIn(const VnAccountBlock &block, const std::string &hardPath);

// A record's hard paths as the reader would take them from a saved file.
std::vector<std::string> readerHardPaths(const std::list<std::string> &hardPaths);

}  // namespace locmap50::locmap

#endif  // LOCMAP50_LOCMAP_LOADACCOUNT_H
