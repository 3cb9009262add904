// The image commands of qbtex: info, to-png, to-dds.
#pragma once

int runImageInfo(int argc, char** argv);
int runImageToPng(int argc, char** argv);
int runImageToDds(int argc, char** argv);
