#pragma once
// What tessmo and tessmo-demo share before the window opens: the INI files found and
// said on stderr, and the trace's first line.
#include <memory>

#include "app/IniLocation.h"
#include "config/PortableProfileSource.h"

namespace tessmo::linuxapp {

class ProgramProfile {
public:
    // Looks for the INI files (IniLocation.h) and says on stderr which it reads,
    // each line prefixed with `program`.
    explicit ProgramProfile(const char* program);
    ProfileSource& Source() { return source_; }

private:
    LocatedProfileFiles files_;
    PortableProfileSource source_;
};

}  // namespace tessmo::linuxapp
