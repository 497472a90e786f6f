// Every file one command writes, known before the first write. Each output
// is checked against every input of the command and against the other
// outputs (the same file after following links: device and inode, or the
// same resolved path for a file that does not exist yet). The outputs are
// written under temporary names (CAtomicFile) and replace their targets
// only when the whole set is committed: a command that fails at any write
// leaves every earlier file of an output's name as it was and no temporary
// file (the destructor removes what was not committed).
#pragma once

#include "CAtomicFile.h"

#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// A planned output that may not be written: what() is the user's message,
// which names both files. Nothing of the set has replaced its target.
class COutputRefusal : public std::runtime_error
{
  public:
    using std::runtime_error::runtime_error;
};

// The refusal of two outputs of one command that are the same file.
std::string TwoOutputsMessage(const std::string& strFirst, const std::string& strSecond);

// The refusal of an output without a name.
inline constexpr const char* kEmptyOutputMessage = "ERROR: The output file has no name.";

class COutputSet
{
  public:
    COutputSet() = default;
    COutputSet(const COutputSet&) = delete;
    COutputSet& operator=(const COutputSet&) = delete;

    // A file the command reads; an empty path is ignored.
    void AddInput(const std::string& strPath);
    // A file the command will (or may) write, spelt as the user should see
    // it in messages. Planned twice, it is two outputs that are one file.
    void AddOutput(const std::string& strPath);
    // True when that spelling has been planned.
    bool IsPlanned(const std::string& strPath) const;

    // The refusal of the plan, empty when every output may be written:
    // kEmptyOutputMessage for an empty name, SameFileMessage(output, input)
    // for an output that is an input, TwoOutputsMessage for two outputs
    // that are the same file. Writes nothing.
    std::string CheckPlan() const;

    // Creates the uncommitted file of strPath. A planned output is taken as
    // checked (call CheckPlan first); one that was not planned is planned
    // and the plan checked again. Throws COutputRefusal when it may not be
    // written and CFileException when it cannot be created.
    // bSync as CAtomicFile's bSyncOnCommit. The file stays valid until the
    // set goes.
    CAtomicFile& Create(const std::string& strPath, bool bSync = false);

    // The created file of strPath (that spelling), nullptr when there is none:
    // its temporary file holds what the target will hold.
    CAtomicFile* Find(const std::string& strPath) const;

    // Replaces every created file's target, in the order they were created,
    // once every one is closed without error. Throws CFileException (naming
    // the target) when a close or a rename fails; a rename failing (the
    // folder changed under the command) leaves the targets renamed before it
    // replaced.
    void Commit();

  private:
    std::vector<std::string> m_aInputs;
    std::vector<std::string> m_aOutputs;
    std::set<std::string> m_aPlanned; // the spellings in m_aOutputs
    std::vector<std::unique_ptr<CAtomicFile>> m_apFiles;
    std::map<std::string, CAtomicFile*> m_aCreated; // by full target path
};
