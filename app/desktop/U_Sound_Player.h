// Playing the program's own short sound clips, looked up by name among the
// compiled-in resources.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QAudioSink;
class QBuffer;

// Plays a clip given by its resource URL ("qrc:/sounds/S_DB_Save.wav"). A new
// clip cuts off the one still playing; the call never waits for the sound.
class TSoundPlayer {
  public:
    virtual ~TSoundPlayer() = default;
    virtual void Play(const QString& resourceUrl) = 0;
};

// The real player. Without a sound device it stays silent without delay.
//
// It reads the clip itself and hands the samples to an audio output on the
// calling thread. Qt's QSoundEffect is not used: it loads clips on a thread
// of a cache that lives until the process exits, and the cache's exit-time
// teardown holds a lock while it waits for that thread, which may still be
// loading the last clip and need the same lock. A sound played just before
// quitting could then leave the process hanging after its window had gone.
class TSoundEffectPlayer : public TSoundPlayer {
  public:
    TSoundEffectPlayer();
    ~TSoundEffectPlayer() override;
    void Play(const QString& resourceUrl) override;

  private:
    void Stop();

    // The output reads the buffer, which reads the samples: destroyed in
    // the reverse order of these lines, the output goes first.
    QByteArray samples_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QAudioSink> output_;
};

// The resource URL of the clip with this name (compared without regard to
// case), or an empty string when the program carries no such clip.
QString SoundResourceUrl(const QString& soundName);
