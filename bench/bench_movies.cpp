// Writes the movies of bench/movies into a folder: a Flash movie of about
// 100 MB of embedded media (binary data tags of 60 KiB, pseudo-random bytes
// as compressed pictures and sound are, a frame every ten tags), plain
// (m.fws.swf), zlib-compressed (m.cws.swf) and LZMA-compressed (m.zws.swf).
// With --time it runs a command instead and prints its CPU and wall
// milliseconds to a tenth, finer than time(1)'s hundredths of a second; with
// --lzma it only decodes an LZMA movie's stream (the decoder's own cost).
#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <lzma.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <zlib.h>

namespace {
QByteArray tag(int code, const QByteArray &data) {
    QByteArray head(6, '\0');
    qToLittleEndian(quint16(code << 6 | 0x3f), head.data());
    qToLittleEndian(quint32(data.size()), head.data() + 2);
    return head + data;
}

// The stage rectangle 550 x 400 pixels in 16-bit fields, then 24 frames a
// second and the frame count (filled in at the end).
QByteArray header() {
    QByteArray bits;
    int used = 0;
    auto put = [&](quint32 value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (used % 8 == 0) bits.append('\0');
            if ((value >> i) & 1) bits[bits.size() - 1] = char(bits.back() | (0x80 >> (used % 8)));
            ++used;
        }
    };
    put(16, 5);
    for (quint32 v : {0u, 11000u, 0u, 8000u})
        put(v, 16);
    return bits + QByteArray("\x00\x18\x00\x00", 4);
}

QByteArray body(qint64 size) {
    QByteArray b = header();
    const int countAt = int(b.size()) - 2;
    QByteArray chunk(60 * 1024, '\0');
    int frames = 0;
    QRandomGenerator random(42);
    for (int n = 0; b.size() < size; ++n) {
        random.fillRange(reinterpret_cast<quint32 *>(chunk.data()), chunk.size() / 4);
        b += tag(87, QByteArray("\x01\x00\0\0\0\0", 6) + chunk); // DefineBinaryData
        if (n % 10 == 9) {
            b += QByteArray("\x40\x00", 2); // ShowFrame
            ++frames;
        }
    }
    b += QByteArray("\x40\x00\x00\x00", 4); // ShowFrame, End
    qToLittleEndian(quint16(frames + 1), b.data() + countAt);
    return b;
}

bool write(const QString &path, char sig, const QByteArray &packed, quint32 length) {
    QByteArray head("FWS\x0a", 4);
    head[0] = sig;
    head.resize(8);
    qToLittleEndian(length, head.data() + 4);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(head + packed) == head.size() + packed.size();
}
double wallMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Runs argv[0..] with output discarded; prints "CPU WALL" in milliseconds,
// CPU being user + system of the child.
int timed(char **argv) {
    const double start = wallMs();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage use{};
    if (pid < 0 || wait4(pid, &status, 0, &use) < 0) return 1;
    const double wall = wallMs() - start;
    const double cpu = (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e3 +
                       (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e3;
    std::printf("%.1f %.1f\n", cpu, wall);
    return 0;
}
// Decodes the LZMA stream of a ZWS movie into one reused buffer and nothing
// else: no tags, no checks. 0 when the stream ends cleanly.
int lzmaOnly(const char *path) {
    QFile f(QString::fromLocal8Bit(path));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return 1;
    const QByteArray head = f.read(17);
    if (head.size() < 17) return 1;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_properties_decode(&filters[0], nullptr,
                               reinterpret_cast<const uint8_t *>(head.constData()) + 12,
                               5) != LZMA_OK)
        return 1;
    auto *options = static_cast<lzma_options_lzma *>(filters[0].options);
    options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    lzma_set_ext_size(*options, qFromLittleEndian<quint32>(head.constData() + 4) - 8);
    lzma_stream s = LZMA_STREAM_INIT;
    const bool started = lzma_raw_decoder(&s, filters) == LZMA_OK;
    free(filters[0].options);
    if (!started) return 1;
    QByteArray in(128 * 1024, '\0'), out(256 * 1024, '\0');
    lzma_ret rc = LZMA_OK;
    while (rc == LZMA_OK) {
        if (s.avail_in == 0) {
            const qint64 got = f.read(in.data(), in.size());
            if (got <= 0) break;
            s.next_in = reinterpret_cast<const uint8_t *>(in.constData());
            s.avail_in = size_t(got);
        }
        s.next_out = reinterpret_cast<uint8_t *>(out.data());
        s.avail_out = size_t(out.size());
        rc = lzma_code(&s, LZMA_RUN);
    }
    lzma_end(&s);
    return rc == LZMA_STREAM_END ? 0 : 1;
}
} // namespace

int main(int argc, char **argv) {
    if (argc > 2 && QByteArray(argv[1]) == "--time") return timed(argv + 2);
    if (argc == 3 && QByteArray(argv[1]) == "--lzma") return lzmaOnly(argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_movies FOLDER | --time COMMAND... | --lzma MOVIE\n");
        return 1;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QByteArray plain = body(100 * 1000 * 1000);
    const quint32 length = quint32(8 + plain.size());
    uLongf zsize = compressBound(uLong(plain.size()));
    QByteArray z(qsizetype(zsize), '\0');
    compress2(reinterpret_cast<Bytef *>(z.data()), &zsize,
              reinterpret_cast<const Bytef *>(plain.constData()), uLong(plain.size()), 1);
    z.resize(qsizetype(zsize));

    lzma_options_lzma options;
    lzma_lzma_preset(&options, 0);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    QByteArray props(5, '\0');
    lzma_properties_encode(&filters[0], reinterpret_cast<uint8_t *>(props.data()));
    lzma_stream s = LZMA_STREAM_INIT;
    QByteArray x(plain.size() + plain.size() / 16 + 4096, '\0');
    if (lzma_raw_encoder(&s, filters) != LZMA_OK) return 1;
    s.next_in = reinterpret_cast<const uint8_t *>(plain.constData());
    s.avail_in = size_t(plain.size());
    s.next_out = reinterpret_cast<uint8_t *>(x.data());
    s.avail_out = size_t(x.size());
    while (lzma_code(&s, LZMA_FINISH) == LZMA_OK) {
    }
    x.resize(x.size() - qsizetype(s.avail_out));
    lzma_end(&s);
    QByteArray packedLength(4, '\0');
    qToLittleEndian(quint32(x.size()), packedLength.data());

    const bool ok = write(dir + "/m.fws.swf", 'F', plain, length) &&
                    write(dir + "/m.cws.swf", 'C', z, length) &&
                    write(dir + "/m.zws.swf", 'Z', packedLength + props + x, length);
    return ok ? 0 : 1;
}
