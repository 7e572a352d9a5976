#include "app/ProgramSetup.h"

#include <QCoreApplication>
#include <cstdio>
#include <sstream>
#include <string>

namespace tessmo::linuxapp {
namespace {

std::map<std::u16string, std::filesystem::path> Locate(const char* program) {
    std::string report;
    auto located =
        LocateIniFiles(ProcessIniSearch(QCoreApplication::applicationDirPath().toStdString()), report);
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        std::fprintf(stderr, "%s: %s\n", program, line.c_str());
    return located;
}

}  // namespace

ProgramProfile::ProgramProfile(const char* program)
    : files_(HostProfileFiles(), Locate(program)), source_(files_) {}

}  // namespace tessmo::linuxapp
