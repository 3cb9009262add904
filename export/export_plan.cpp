// Output counts, source of each output, and the list of a run's outputs
// (see export_plan.h).
#include "export/export_plan.h"

#include "export/output_paths.h"
#include "platform/platform.h"

#include <cmath>

namespace k4export {

namespace {

bool animated(const ExportRun& run) {
    return checkedType(run.settings.type) == kAnimatedOverlays;
}

int32_t fileCount(const ExportRun& run) {
    return run.settings.files != nullptr ? run.settings.files->getCount() : 0;
}

double rateRatio(const ExportRun& run) {
    return static_cast<double>(run.targetRate) / static_cast<double>(run.sourceRate);
}

PlannedOutput thumbnailOf(const ExportRun& run, const K4CString& name, int32_t output,
                          int32_t source) {
    PlannedOutput thumbnail;
    thumbnail.thumbnail = true;
    thumbnail.output = output;
    thumbnail.source = source;
    thumbnail.name.assign(name);
    makeThumbnailPath(run.settings, name.getText(), &thumbnail.path);
    thumbnail.bandAspect = typeThumbnailAspect(run.settings.type);
    thumbnail.levelCount = 1;
    return thumbnail;
}

} // namespace

int32_t outputCount(const ExportRun& run) {
    const int32_t files = fileCount(run);
    if (!animated(run)) {
        return files;
    }
    if (run.sourceRate < 1 || run.targetRate < 1) {
        return 0;
    }
    const double count = std::ceil(static_cast<double>(files) * rateRatio(run));
    return count < kMaxOutputCount ? static_cast<int32_t>(count) : kMaxOutputCount;
}

int32_t outputSource(const ExportRun& run, int32_t output) {
    if (!animated(run)) {
        return output;
    }
    const int32_t source = static_cast<int32_t>(static_cast<double>(output) / rateRatio(run));
    // k < ceil(N * ratio) keeps k / ratio below N; the clamp only guards
    // against the last bit of rounding.
    const int32_t last = fileCount(run) - 1;
    return source < last ? source : last;
}

void planExport(const ExportRun& run, ExportPlan* plan) {
    const int32_t type = checkedType(run.settings.type);
    const int32_t count = outputCount(run);
    std::vector<K4CString> names;
    makeFileNames(run.settings, count, &names);
    plan->outputCount = count;
    plan->outputs.clear();
    plan->outputs.reserve(static_cast<size_t>(count) * (typeHasFileThumbnail(type) ? 2 : 1) + 1);
    for (int32_t k = 0; k < count; ++k) {
        PlannedOutput file;
        file.output = k;
        file.source = outputSource(run, k);
        file.name.assign(names[static_cast<size_t>(k)]);
        makeOutputPath(run.settings, file.name.getText(), &file.path);
        file.levelCount = typeLevelCount(type);
        plan->outputs.push_back(file);
        if (typeHasFileThumbnail(type)) {
            plan->outputs.push_back(thumbnailOf(run, file.name, k, file.source));
        }
    }
    // A selection outside the list (none) gives no thumbnail.
    if (type == kAnimatedOverlays && count > 0 && run.thumbnailIndex >= 0 &&
        run.thumbnailIndex < fileCount(run)) {
        plan->outputs.push_back(thumbnailOf(run, names[0], count, run.thumbnailIndex));
    }
}

OutputSize plannedSize(const ExportRun& run, const PlannedOutput& output,
                       const SourceDesc& source) {
    if (output.thumbnail) {
        return {kThumbnailSize, kThumbnailSize};
    }
    return outputSize(run.settings.type, run.sizeIndex, source);
}

Format plannedFormat(const ExportRun& run, const PlannedOutput& output, const SourceDesc& source) {
    return output.thumbnail ? kThumbnailFormat : chooseFormat(run.format, source);
}

void findExistingOutputs(const ExportPlan& plan, std::vector<int32_t>* existing) {
    existing->clear();
    for (size_t i = 0; i < plan.outputs.size(); ++i) {
        const PlannedOutput& output = plan.outputs[i];
        if (!output.thumbnail && output.path.getLength() > 0 &&
            k4p::fileExists(output.path.getText())) {
            existing->push_back(static_cast<int32_t>(i));
        }
    }
}

} // namespace k4export
