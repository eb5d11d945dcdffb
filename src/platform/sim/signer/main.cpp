// pelorn_codesign <key file> <identifier> <program>: signs a built program the way the
// simulated Mac reads it, with the key kept in the key file (made there on first use).
#include "platform/sim/CodeSigning.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: pelorn_codesign <key file> <identifier> <program>\n");
        return 2;
    }
    const QByteArray key = sim::codesign::keptKey(QString::fromLocal8Bit(argv[1]));
    if (key.isEmpty()) {
        std::fprintf(stderr, "pelorn_codesign: no signing key at %s\n", argv[1]);
        return 1;
    }
    if (!sim::codesign::sign(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[2]), key)) {
        std::fprintf(stderr, "pelorn_codesign: could not sign %s\n", argv[3]);
        return 1;
    }
    return 0;
}
