// The runners of the disk images: floppy images of files made earlier, and
// files copied into a FAT disk image. Each returns the outcome; the front
// end shows it.
#pragma once

#include "COutcome.h"

#include <string>
#include <vector>

class CFeedback;

inline constexpr const char* kFloppySizeMessage = "Floppy images are 720 or 1440 KB";

// A floppy image of nImageKB (720 or 1440; anything else is refused with
// kFloppySizeMessage, Stop) for each file, as MakeFileImages makes them:
// "Writing floppy images...", then "Ready". A refusal when any file was
// refused (each message a note, in order) or on a file error (Stop).
COutcome RunImages(const std::vector<std::string>& aFiles, int nImageKB, CFeedback& feedback);

// Copies the files into the FAT12/FAT16 disk image strImage, into
// strFolder (the root when empty), as PutIntoDiskImage does; ends with the
// bar at 0 and "Ready". A refusal carries the message that says why;
// COutcome::Cancelled() when feedback's user asked to stop: the image is left
// byte for byte as it was.
COutcome RunPutFiles(const std::string& strImage, const std::vector<std::string>& aFiles,
                     const std::string& strFolder, bool bReplace, CFeedback& feedback);
