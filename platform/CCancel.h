// Stopping an operation at the user's request. The operation asks its
// feedback at each step (StopIfCancelled) and unwinds with
// COperationCancelled, the way a file error unwinds it: every output set
// it had begun goes without being committed, so no file is written or
// left behind. The runners turn it into COutcome::Cancelled().
#pragma once

#include "CFeedback.h"

#include <exception>

class COperationCancelled : public std::exception
{
  public:
    const char* what() const noexcept override { return kCancelledMessage; }
};

// Throws COperationCancelled when the user has asked feedback's operation
// to stop.
inline void StopIfCancelled(const CFeedback& feedback)
{
    if (feedback.IsCancelled())
        throw COperationCancelled();
}
