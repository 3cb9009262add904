// qbtex convert: the batch export of the convert window, drawn in software.
#pragma once

int runConvert(int argc, char** argv);
