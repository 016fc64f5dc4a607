#include "ImageFiles.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

namespace art {

namespace {

struct ColourCount {
    std::array<int, 3> c;
    int count;
};

struct Box {
    size_t begin, end;
    int Channel(const std::vector<ColourCount>& v, int* range) const {
        int best = 0, bestRange = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (size_t i = begin; i < end; ++i) {
                lo = std::min(lo, v[i].c[ch]);
                hi = std::max(hi, v[i].c[ch]);
            }
            if (hi - lo > bestRange) {
                bestRange = hi - lo;
                best = ch;
            }
        }
        *range = bestRange;
        return best;
    }
    long Weight(const std::vector<ColourCount>& v) const {
        long w = 0;
        for (size_t i = begin; i < end; ++i)
            w += v[i].count;
        return w;
    }
};

void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

IndexedImage Quantize(const std::vector<uint8_t>& rgb, int width, int height) {
    std::map<int, int> histogram;
    const size_t n = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < n; ++i)
        ++histogram[(rgb[i * 3] << 16) | (rgb[i * 3 + 1] << 8) | rgb[i * 3 + 2]];
    std::vector<ColourCount> colours;
    for (const auto& [key, count] : histogram)
        colours.push_back({{(key >> 16) & 255, (key >> 8) & 255, key & 255}, count});

    // Split the most populous box with a spread along its widest channel until
    // there are 256 boxes or nothing can be split.
    std::vector<Box> boxes{{0, colours.size()}};
    while (boxes.size() < 256) {
        int pick = -1;
        long pickWeight = -1;
        for (size_t b = 0; b < boxes.size(); ++b) {
            int range = 0;
            boxes[b].Channel(colours, &range);
            const long w = boxes[b].Weight(colours) * (range + 1);
            if (boxes[b].end - boxes[b].begin > 1 && w > pickWeight) {
                pickWeight = w;
                pick = static_cast<int>(b);
            }
        }
        if (pick < 0)
            break;
        Box box = boxes[pick];
        int range = 0;
        const int ch = box.Channel(colours, &range);
        std::sort(colours.begin() + box.begin, colours.begin() + box.end,
                  [ch](const ColourCount& a, const ColourCount& b) { return a.c[ch] < b.c[ch]; });
        const long half = box.Weight(colours) / 2;
        long acc = 0;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i < box.end - 1; ++i) {
            acc += colours[i].count;
            cut = i + 1;
            if (acc >= half)
                break;
        }
        boxes[pick] = Box{box.begin, cut};
        boxes.push_back(Box{cut, box.end});
    }

    IndexedImage out;
    out.width = width;
    out.height = height;
    out.palette.assign(256 * 3, 0);
    for (size_t b = 0; b < boxes.size(); ++b) {
        double sum[3] = {0, 0, 0};
        long w = 0;
        for (size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
            for (int ch = 0; ch < 3; ++ch)
                sum[ch] += static_cast<double>(colours[i].c[ch]) * colours[i].count;
            w += colours[i].count;
        }
        for (int ch = 0; ch < 3; ++ch)
            out.palette[b * 3 + ch] = static_cast<uint8_t>(w ? sum[ch] / w + 0.5 : 0);
    }

    std::map<int, uint8_t> nearest;
    out.pixels.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const int key = (rgb[i * 3] << 16) | (rgb[i * 3 + 1] << 8) | rgb[i * 3 + 2];
        auto it = nearest.find(key);
        if (it == nearest.end()) {
            int best = 0;
            long bestDist = -1;
            for (size_t b = 0; b < boxes.size(); ++b) {
                long d = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    const long diff = static_cast<long>(rgb[i * 3 + ch]) - out.palette[b * 3 + ch];
                    d += diff * diff;
                }
                if (bestDist < 0 || d < bestDist) {
                    bestDist = d;
                    best = static_cast<int>(b);
                }
            }
            it = nearest.emplace(key, static_cast<uint8_t>(best)).first;
        }
        out.pixels[i] = it->second;
    }
    return out;
}

bool WriteBmp8(const std::string& path, const IndexedImage& image) {
    const unsigned stride = (static_cast<unsigned>(image.width) + 3) & ~3u;
    const unsigned bitsSize = stride * static_cast<unsigned>(image.height);
    const unsigned offset = 14 + 40 + 256 * 4;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + bitsSize);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<unsigned>(image.width));
    Put32(out, static_cast<unsigned>(image.height));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0); // BI_RGB
    Put32(out, bitsSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 256);
    Put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        out.push_back(image.palette[i * 3 + 2]);
        out.push_back(image.palette[i * 3 + 1]);
        out.push_back(image.palette[i * 3]);
        out.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t* row = &image.pixels[static_cast<size_t>(y) * image.width];
        out.insert(out.end(), row, row + image.width);
        for (unsigned pad = image.width; pad < stride; ++pad)
            out.push_back(0);
    }
    return WriteFile(path, out);
}

bool WriteIco(const std::string& path, const std::vector<IconFrame>& frames) {
    std::vector<std::vector<uint8_t>> images;
    for (const IconFrame& f : frames) {
        std::vector<uint8_t> img;
        const unsigned s = static_cast<unsigned>(f.size);
        const unsigned maskStride = ((s + 31) / 32) * 4;
        Put32(img, 40);
        Put32(img, s);
        Put32(img, s * 2); // colour rows followed by the AND mask rows
        Put16(img, 1);
        Put16(img, 32);
        Put32(img, 0);
        Put32(img, s * s * 4 + maskStride * s);
        Put32(img, 0);
        Put32(img, 0);
        Put32(img, 0);
        Put32(img, 0);
        for (int y = f.size - 1; y >= 0; --y)
            img.insert(img.end(), f.bgra.begin() + static_cast<size_t>(y) * s * 4,
                       f.bgra.begin() + static_cast<size_t>(y + 1) * s * 4);
        for (int y = f.size - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (unsigned x = 0; x < s; ++x)
                if (f.bgra[(static_cast<size_t>(y) * s + x) * 4 + 3] < 128)
                    row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            img.insert(img.end(), row.begin(), row.end());
        }
        images.push_back(std::move(img));
    }
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(frames.size()));
    unsigned offset = 6 + 16 * static_cast<unsigned>(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        out.push_back(static_cast<uint8_t>(frames[i].size >= 256 ? 0 : frames[i].size));
        out.push_back(static_cast<uint8_t>(frames[i].size >= 256 ? 0 : frames[i].size));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<unsigned>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<unsigned>(images[i].size());
    }
    for (const auto& img : images)
        out.insert(out.end(), img.begin(), img.end());
    return WriteFile(path, out);
}

} // namespace art
