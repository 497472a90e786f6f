#include "CSoundPlayer.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

CSoundPlayer::CSoundPlayer() = default;
CSoundPlayer::~CSoundPlayer() = default;

void CSoundPlayer::Play(const QString& strPath, bool bLoop)
{
    Stop();
    // Without an output the sound effect would still claim to play; with a
    // missing file it would complain on the console. Neither is wanted.
    if (QMediaDevices::audioOutputs().isEmpty() || !QFileInfo(strPath).isFile())
        return;
    // A fresh effect per sound: changing the source of a playing effect
    // lets the old sound finish first.
    m_pEffect = std::make_unique<QSoundEffect>();
    m_pEffect->setSource(QUrl::fromLocalFile(QFileInfo(strPath).absoluteFilePath()));
    m_pEffect->setLoopCount(bLoop ? QSoundEffect::Infinite : 1);
    m_pEffect->play();
}

void CSoundPlayer::Stop()
{
    if (m_pEffect)
    {
        m_pEffect->stop();
        m_pEffect.reset();
    }
}
