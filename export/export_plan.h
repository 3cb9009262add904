// The outputs of one batch export run, in the order they are written: how
// many files a run makes, which source file each one draws, and every file
// and thumbnail with its name, path, band and mip levels. The convert
// window's export job and `qbtex convert` both take their runs from here.
//
// Static overlays, backdrops and textures make one file per source file, and
// static overlays and backdrops a thumbnail right after each file. Animated
// overlays resample the sources from the source frame rate to the target
// frame rate into T = ceil(N * target / source) numbered frames (double
// arithmetic, truncated as C does), frame k drawing source k / ratio
// (truncated), and end with one thumbnail of the chosen source, named after
// frame 0.
//
// Sizes and formats follow from the source as the texture cache loaded it,
// so they are asked for once it is there. Pure except findExistingOutputs;
// no state: any thread.
#pragma once

#include "export/output_names.h"
#include "export/output_tables.h"
#include "foundation/k4cstring.h"

#include <cstdint>
#include <vector>

namespace k4export {

// One run: names and folders, and the options the job reads besides them.
struct ExportRun {
    ExportSettings settings;
    int32_t sizeIndex = 0;      // the size list's selection
    Format format = kBestMatch; // the chosen format
    int32_t sourceRate = 10;    // animated overlays: frames per second of the sources
    int32_t targetRate = 10;    // animated overlays: frames per second written
    int32_t thumbnailIndex = 0; // animated overlays: the source of the thumbnail
};

// More outputs than this are never planned (a rate ratio far out of the
// window's limits).
inline constexpr int32_t kMaxOutputCount = 1000000;

// T, the number of files a run writes (thumbnails not counted). Animated
// overlays with a rate below 1 make none.
int32_t outputCount(const ExportRun& run);
// The index in the file list of the source file output k draws.
int32_t outputSource(const ExportRun& run, int32_t output);

struct PlannedOutput {
    bool thumbnail = false;
    int32_t output = 0;      // k of the file, or of the file a thumbnail belongs to (T
                             // for an animated overlay's thumbnail)
    int32_t source = 0;      // the source file's index in the run's list
    K4CString name;          // the file name, no folder
    K4CString path;          // the full path; empty when there is no safe place for it
    float bandAspect = 1.0f; // the source covers a band of the output height / aspect
    uint32_t levelCount = 1; // 1, or 0 for the full mip chain
};

struct ExportPlan {
    int32_t outputCount = 0;            // T
    std::vector<PlannedOutput> outputs; // files and thumbnails, in writing order
};

void planExport(const ExportRun& run, ExportPlan* plan);

// Width and height of an output for its loaded source: the size preset for
// files, 64 by 64 for thumbnails.
OutputSize plannedSize(const ExportRun& run, const PlannedOutput& output, const SourceDesc& source);
// The chosen format or Best Match for files, DXT5 for thumbnails.
Format plannedFormat(const ExportRun& run, const PlannedOutput& output, const SourceDesc& source);

// The positions in plan.outputs of the files that exist already, for the
// question before a run replaces them. Thumbnails are not asked about.
void findExistingOutputs(const ExportPlan& plan, std::vector<int32_t>* existing);

} // namespace k4export
