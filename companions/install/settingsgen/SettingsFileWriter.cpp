// Build-time writer of the demo model's settings file, from the same table the
// demo installer uses, so that the product package ships what kvrinstall writes.
// Runs on the build machine.
//   settingsgen OUTPUT_FILE
#include <cstdio>
#include <string>

#include "companions/install/DemoModel.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: settingsgen OUTPUT_FILE\n", stderr);
        return 2;
    }
    const std::string text = demo::SettingsFileText();
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "settingsgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
