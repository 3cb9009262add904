// qbtex check: the texture check of a mod folder and its fix.
#pragma once

int runCheck(int argc, char** argv);
