// put: files copied into a disk image under their own 8.3 names, into the
// folder the user names; refusals become the user's message.
#include "CFatVolume.h"

#include "CFeedback.h"
#include "CFile.h"
#include "CImageIO.h"
#include "DosName.h"

COutcome PutIntoDiskImage(const std::string& strImage, const std::vector<std::string>& aFiles,
                          const std::string& strFolder, bool bReplace, CFeedback& feedback)
{
    try
    {
        std::vector<std::string> aFolderPath;
        if (!strFolder.empty())
        {
            std::string strWhyNot;
            aFolderPath = PutFolderPath(strFolder, strWhyNot);
            if (aFolderPath.empty())
                throw CDiskImageRefusal(strWhyNot);
        }
        std::vector<SPutFile> aPut;
        for (const std::string& strFile : aFiles)
        {
            // The image is written while its files are read: one that is
            // the image itself is refused before anything is written.
            if (CFile::SameFile(strFile, strImage))
                throw CDiskImageRefusal("it is the same file as " + strFile +
                                        ", which is to be copied into it");
            aPut.push_back({strFile, OwnDosName(strFile)});
            if (aPut.back().strDosName.empty())
                throw CDiskImageRefusal("the name of " + strFile +
                                        " has no character a DOS name may hold");
        }
        CFile image(strImage, CFile::modeReadWrite);
        CFileImageIO io(image);
        CFatVolume volume(io);
        feedback.SetStatusText("Copying to disk image...");
        volume.PutFiles(aPut, aFolderPath, bReplace, feedback);
        image.Close();
    }
    catch (const CDiskImageRefusal& e)
    {
        return COutcome::Refusal("Can't copy to the disk image " + strImage + ": " + e.what(),
                                 MessageIcon::Exclamation, strImage);
    }
    return {};
}
