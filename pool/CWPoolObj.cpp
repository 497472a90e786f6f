#include "CWPoolObj.h"

#include "CArchive.h"
#include "PoolFileFormat.h"

CWPoolObj& CWPoolObj::operator=(const CWPoolObj& other)
{
    m_strFileName = other.m_strFileName;
    m_strSampleName = other.m_strSampleName;
    m_strKeymapName = other.m_strKeymapName;
    m_strProgramName = other.m_strProgramName;
    m_strFoundPath = other.m_strFoundPath;
    m_bLoop = other.m_bLoop;
    m_nRootKey = other.m_nRootKey;
    m_bKeymapEnable = other.m_bKeymapEnable;
    m_bProgramEnable = other.m_bProgramEnable;
    m_pZone = other.m_pZone;
    return *this;
}

void CWPoolObj::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        m_nVersion = kPoolVersion203;
        ar << m_strFileName << m_strSampleName << m_strKeymapName << m_strProgramName;
        ar << m_bLoop << m_nRootKey << m_bKeymapEnable << m_bProgramEnable;
    }
    else
    {
        ar >> m_strFileName >> m_strSampleName >> m_strKeymapName >> m_strProgramName;
        ar >> m_bLoop >> m_nRootKey;
        if (m_nVersion == kPoolVersion203)
            ar >> m_bKeymapEnable >> m_bProgramEnable;
        else
        {
            m_bKeymapEnable = 1;
            m_bProgramEnable = 1;
        }
    }
}
