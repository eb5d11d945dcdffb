#pragma once
// Where a test program finds the build it belongs to and the source tree, so that
// build/<preset>/tests/test_x runs on its own as well as under CTest.
#include <QString>

namespace testpaths {

// The build folder: PELORN_BUILD_DIR when set, else the folder above the test program's own
// (test programs are built into <build>/tests/), else the folder this program was built in.
QString buildDir();
// The source tree the program was built from.
QString sourceDir();

} // namespace testpaths
