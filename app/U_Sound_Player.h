// Playing the program's own short sound clips, looked up by name among the
// compiled-in resources.
#pragma once

#include <QString>

#include <memory>

class QSoundEffect;

// Plays a clip given by its resource URL ("qrc:/sounds/S_DB_Save.wav"). A new
// clip cuts off the one still playing; the call never waits for the sound.
class TSoundPlayer {
  public:
    virtual ~TSoundPlayer() = default;
    virtual void Play(const QString& resourceUrl) = 0;
};

// The real player. Without a sound device it stays silent without delay.
class TSoundEffectPlayer : public TSoundPlayer {
  public:
    TSoundEffectPlayer();
    ~TSoundEffectPlayer() override;
    void Play(const QString& resourceUrl) override;

  private:
    std::unique_ptr<QSoundEffect> effect_;
};

// The resource URL of the clip with this name (compared without regard to
// case), or an empty string when the program carries no such clip.
QString SoundResourceUrl(const QString& soundName);
