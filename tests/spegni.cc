// Cuts the power of an ext4 file system, as far as the kernel can stage it:
// the file system stops at once, and what its journal had not committed is
// lost, as on a machine switched off.  For the power-cut test.
//   spegni MOUNT_POINT [MICROSECONDS]
// waits the given time first.  Status 0 when cut, 77 when this kernel or
// file system cannot, 2 on a bad call.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// From the kernel's ext4 interface, which no installed header carries.
constexpr unsigned long kEsciExt4 = _IOR('X', 125, uint32_t);  // EXT4_IOC_SHUTDOWN
constexpr uint32_t kSenzaDiario = 0x2;                         // EXT4_GOING_FLAGS_NOLOGFLUSH

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: spegni MOUNT_POINT [MICROSECONDS]\n");
    return 2;
  }
  const int fd = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "spegni: cannot open %s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  if (argc == 3) ::usleep(static_cast<useconds_t>(std::strtoul(argv[2], nullptr, 10)));
  uint32_t modo = kSenzaDiario;
  if (::ioctl(fd, kEsciExt4, &modo) != 0) {
    const int numero = errno;
    std::fprintf(stderr, "spegni: cannot shut %s down: %s\n", argv[1], std::strerror(numero));
    return numero == ENOTTY || numero == EOPNOTSUPP || numero == EPERM ? 77 : 2;
  }
  return 0;
}
