#include "configurator/windows/ClickSound.h"

#include <QFile>

#include <alsa/asoundlib.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

struct TPcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using TPcm = std::unique_ptr<snd_pcm_t, TPcmCloser>;

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

struct TWave {
    unsigned Channels = 0;
    unsigned Rate = 0;
    unsigned Bits = 0;
    QByteArray Samples;
};

std::uint32_t Le32(const char* p) {
    return static_cast<std::uint8_t>(p[0]) | static_cast<std::uint8_t>(p[1]) << 8 |
           static_cast<std::uint8_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(p[3])) << 24;
}
unsigned Le16(const char* p) {
    return static_cast<std::uint8_t>(p[0]) | static_cast<std::uint8_t>(p[1]) << 8;
}

// Reads a plain PCM wave; an unreadable one gives no samples.
TWave ParseWave(const QByteArray& bytes) {
    TWave wave;
    if (bytes.size() < 12 || std::memcmp(bytes.constData(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.constData() + 8, "WAVE", 4) != 0)
        return wave;
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const char* chunk = bytes.constData() + pos;
        const std::uint32_t size = Le32(chunk + 4);
        const qsizetype body = pos + 8;
        if (body + static_cast<qsizetype>(size) > bytes.size())
            break;
        if (!std::memcmp(chunk, "fmt ", 4) && size >= 16) {
            wave.Channels = Le16(chunk + 10);
            wave.Rate = Le32(chunk + 12);
            wave.Bits = Le16(chunk + 22);
        } else if (!std::memcmp(chunk, "data", 4)) {
            wave.Samples = bytes.mid(body, size);
        }
        pos = body + size + (size & 1);
    }
    return wave;
}

} // namespace

static void LoadSoundResources() {
    Q_INIT_RESOURCE(sounds);
}

void PlayClickSound() {
    LoadSoundResources();
    QFile file(":/sounds/KLIK");
    if (!file.open(QIODevice::ReadOnly))
        return;
    const TWave wave = ParseWave(file.readAll());
    if (wave.Bits != 16 || wave.Channels == 0 || wave.Rate == 0 || wave.Samples.isEmpty())
        return;

    snd_lib_error_set_handler(QuietAlsa);
    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return;
    TPcm pcm(raw);
    snd_pcm_nonblock(pcm.get(), 0);
    if (snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, wave.Channels,
                           wave.Rate, 1, 50000) < 0)
        return;
    const snd_pcm_uframes_t frames =
        static_cast<snd_pcm_uframes_t>(wave.Samples.size()) / (2 * wave.Channels);
    if (snd_pcm_writei(pcm.get(), wave.Samples.constData(), frames) < 0)
        return;
    snd_pcm_drain(pcm.get());
}
