// The image panel's caption texts (see caption.h).
#include "view/caption.h"
#include "view/view_rules.h"

#include <cstdio>

namespace k4view {

std::string fileSizeText(uint64_t bytes) {
    char text[48];
    if (bytes < 1024) {
        snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    } else if (bytes < 1024 * 1024) {
        snprintf(text, sizeof text, "%llu KB",
                 static_cast<unsigned long long>((bytes + 512) / 1024));
    } else {
        snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    }
    return text;
}

std::string psnrText(double psnr) {
    if (isExact(psnr)) {
        return "exact";
    }
    char text[32];
    snprintf(text, sizeof text, "%.1f dB", psnr);
    return text;
}

std::string previewCaption(const CaptionFacts& facts) {
    std::string caption = std::string(facts.name) + " (" + std::to_string(facts.width) + " by " +
                          std::to_string(facts.height) + ")";
    if (facts.info) {
        caption += " ";
        caption += facts.storedFormat != nullptr ? facts.storedFormat : "unknown format";
        caption += ", " + std::to_string(facts.fileLevels) +
                   (facts.fileLevels == 1 ? " level, " : " levels, ") +
                   fileSizeText(facts.fileBytes);
    }
    if (facts.level > 0) {
        const Rect level = levelRect(facts.width, facts.height, facts.level);
        caption += " level " + std::to_string(facts.level) + " of " +
                   std::to_string(facts.levelCount) + ": " + std::to_string(level.width()) +
                   " by " + std::to_string(level.height());
    }
    if (facts.levelLimited) {
        caption += ", the largest level the device can show";
    }
    if (facts.compressedFormat != nullptr) {
        const double rgb = facts.error.rgbPsnr;
        caption += " " + std::string(facts.compressedFormat) + ": " +
                   (isExact(rgb) ? "RGB exact" : psnrText(rgb) + " RGB") + ", alpha " +
                   psnrText(facts.error.alphaPsnr);
    }
    return caption;
}

} // namespace k4view
