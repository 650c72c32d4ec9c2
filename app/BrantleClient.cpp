// brantle: the depot client.  Options: --program-folder <dir> names the
// folder that holds ZizTolvane.ini and the local data (default: the
// BRANTLE_PROGRAM_FOLDER environment variable, else the program's folder).

#include "app/ClientRun.h"

int main(int argc, char** argv) { return RunClient(argc, argv, {}); }
