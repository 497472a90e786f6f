// Preview playback of a WAV file, in the background, once or looping.
#pragma once

#include <QString>
#include <memory>

class QSoundEffect;

class CSoundPlayer
{
  public:
    CSoundPlayer();
    virtual ~CSoundPlayer();

    // Starts playing strPath, replacing any sound that plays. A file that
    // is missing or cannot be played, or a machine without an audio output,
    // plays nothing and says nothing.
    virtual void Play(const QString& strPath, bool bLoop);
    // Stops the sound that plays, if any.
    virtual void Stop();

  private:
    std::unique_ptr<QSoundEffect> m_pEffect;
};
