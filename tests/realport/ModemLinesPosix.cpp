// realport-modem-lines DEVICE: opens a serial port beside the program that is to hold it and, for
// every line read on standard input, prints the modem lines as the driver reports them (TIOCMGET),
// "DTR on RTS off CTS off DSR off CD off RI off"; ends at the end of its input.
//
// It opens the port before that program does and keeps it open, because opening a terminal raises
// DTR and RTS itself: a port opened afterwards would show its own opening rather than the holder's
// doing. It never reads, writes or sets anything.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: realport-modem-lines DEVICE\n");
        return 64;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "realport-modem-lines: cannot open %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    const struct {
        const char* Name;
        int Bit;
    } names[] = {{"DTR", TIOCM_DTR}, {"RTS", TIOCM_RTS}, {"CTS", TIOCM_CTS},
                 {"DSR", TIOCM_DSR}, {"CD", TIOCM_CD},   {"RI", TIOCM_RI}};
    char request[64];
    while (std::fgets(request, sizeof request, stdin)) {
        int lines = 0;
        if (::ioctl(fd, TIOCMGET, &lines) != 0) {
            std::printf("TIOCMGET failed: %s\n", std::strerror(errno));
        } else {
            for (const auto& n : names)
                std::printf("%s%s %s", &n == names ? "" : " ", n.Name, (lines & n.Bit) ? "on" : "off");
            std::printf("\n");
        }
        std::fflush(stdout);
    }
    ::close(fd);
    return 0;
}
