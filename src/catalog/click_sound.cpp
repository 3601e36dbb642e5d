#include "catalog/click_sound.h"

#include <QSoundEffect>
#include <QUrl>

namespace vexa {
namespace {
bool enabled = false;
QSoundEffect* effect = nullptr;
}  // namespace

void enableClickSound(bool on) {
    enabled = on;
    if (on && !effect) {
        // Loaded once; lives until the program ends.
        effect = new QSoundEffect();
        effect->setSource(QUrl("qrc:/sounds/son01.wav"));
        effect->setVolume(0.5f);
    }
}

void SonidoClic() {
    if (enabled && effect && effect->status() != QSoundEffect::Error) effect->play();
}

}  // namespace vexa
