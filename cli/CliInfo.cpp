#include "CliCommands.h"

#include "CConsoleFeedback.h"

// Filled in once the KRZ reader lands.
int RunInfo(const std::vector<std::string>&, CConsoleFeedback&)
{
    return kExitFailure;
}
