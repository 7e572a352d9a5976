// tessmo-ctl: the camera from the command line.
#include "Ctl.h"

int main(int argc, char** argv) {
    return tessmo::ctl::Run(tessmo::ctl::Utf8Arguments(argc, argv));
}
