#include "configurator/windows/ClickSound.h"

#include <QFile>

// windows.h first: the multimedia header builds on its types.
#include <windows.h>

#include <mmsystem.h>

static void LoadSoundResources() {
    Q_INIT_RESOURCE(sounds);
}

// The wave is played from memory, synchronously; without a sound device PlaySound fails quietly.
void PlayClickSound() {
    LoadSoundResources();
    QFile file(":/sounds/KLIK");
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray wave = file.readAll();
    PlaySoundW(reinterpret_cast<LPCWSTR>(wave.constData()), nullptr, SND_MEMORY | SND_SYNC | SND_NODEFAULT);
}
