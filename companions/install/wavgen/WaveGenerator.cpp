// Build-time generator of the demo model's notification sounds: short, soft
// bell-like tones as 16-bit mono PCM wave files. Runs on the build machine.
//   wavgen OUTPUT_DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Note {
    double start;     // seconds
    double frequency; // Hz
    double length;    // seconds until the tone has faded
};

// A bell-like note: fundamental with two soft partials, a 6 ms attack and an
// exponential fade.
void AddNote(std::vector<double>* samples, const Note& note) {
    int first = static_cast<int>(note.start * kRate);
    int count = static_cast<int>(note.length * kRate);
    for (int i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / kRate;
        double attack = t < 0.006 ? t / 0.006 : 1.0;
        double fade = std::exp(-5.0 * t / note.length);
        double w = 2 * kPi * note.frequency * t;
        double tone = std::sin(w) + 0.3 * std::sin(2 * w) * std::exp(-3 * t) +
                      0.1 * std::sin(3 * w) * std::exp(-6 * t);
        size_t at = static_cast<size_t>(first + i);
        if (at >= samples->size())
            samples->resize(at + 1, 0.0);
        (*samples)[at] += attack * fade * tone;
    }
}

void Put(std::string* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool WriteWave(const std::string& path, const std::vector<Note>& notes) {
    std::vector<double> samples;
    for (const Note& note : notes)
        AddNote(&samples, note);
    double peak = 0;
    for (double s : samples)
        peak = std::fmax(peak, std::fabs(s));
    double scale = peak > 0 ? 0.45 * 32767 / peak : 0;

    std::string data;
    for (double s : samples)
        Put(&data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(s * scale))),
            2);
    std::string file = "RIFF";
    Put(&file, static_cast<std::uint32_t>(36 + data.size()), 4);
    file += "WAVEfmt ";
    Put(&file, 16, 4);        // format chunk size
    Put(&file, 1, 2);         // PCM
    Put(&file, 1, 2);         // mono
    Put(&file, kRate, 4);     // sample rate
    Put(&file, kRate * 2, 4); // bytes per second
    Put(&file, 2, 2);         // block align
    Put(&file, 16, 2);        // bits per sample
    file += "data";
    Put(&file, static_cast<std::uint32_t>(data.size()), 4);
    file += data;

    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: wavgen OUTPUT_DIR\n", stderr);
        return 2;
    }
    std::string dir = argv[1];
    // Error: a falling fifth. Warning: one soft bell. Ink: a rising triad.
    bool ok = WriteWave(dir + "/kvr_error.wav", {{0.0, 659.26, 0.35}, {0.18, 440.0, 0.5}}) &&
              WriteWave(dir + "/kvr_warning.wav", {{0.0, 880.0, 0.6}}) &&
              WriteWave(dir + "/kvr_ink.wav",
                        {{0.0, 523.25, 0.3}, {0.12, 659.26, 0.3}, {0.24, 783.99, 0.5}});
    if (!ok) {
        std::fprintf(stderr, "wavgen: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
