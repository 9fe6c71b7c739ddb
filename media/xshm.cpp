// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "xshm.h"

#include "platform/display.h"

#include <QCoreApplication>

#include <cstdlib>
#include <mutex>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace media::xshm {

namespace {

// Shared by every thread that makes or lets go of pictures, and never
// destroyed: a picture may be let go on a worker at the very end of the
// run.  The connection is forgotten before the application closes it.
struct Shared {
    std::mutex lock;
    xcb_connection_t *conn = nullptr;
    std::unordered_map<const uchar *, uint32_t> segments;
};
Shared &shared()
{
    static auto *s = new Shared;
    return *s;
}

int known = -1;   // available()'s answer once asked: 0 or 1

struct Segment {
    void *memory;
    size_t bytes;
    uint32_t id;
};

void letGo(void *info)
{
    auto *s = static_cast<Segment *>(info);
    {
        std::lock_guard lock(shared().lock);
        shared().segments.erase(static_cast<const uchar *>(s->memory));
        // Ordered after any put of this picture: the server stops reading
        // it only once those are done.
        if (xcb_connection_t *c = shared().conn) {
            xcb_shm_detach(c, s->id);
            xcb_flush(c);
        }
    }
    munmap(s->memory, s->bytes);
    delete s;
}

QImage makeShared(QSize size)
{
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    if (size.isEmpty())
        return {};
    std::lock_guard lock(shared().lock);
    xcb_connection_t *c = shared().conn;
    const int fd = c ? memfd_create("syrel-picture", MFD_CLOEXEC) : -1;
    if (fd < 0)
        return QImage(size, QImage::Format_RGB32);
    void *memory =
        ftruncate(fd, off_t(bytes)) == 0 ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (memory == MAP_FAILED) {
        close(fd);
        return QImage(size, QImage::Format_RGB32);
    }
    auto *s = new Segment{memory, bytes, xcb_generate_id(c)};
    xcb_shm_attach_fd(c, s->id, fd, 1);   // xcb closes the descriptor once sent
    shared().segments.emplace(static_cast<const uchar *>(memory), s->id);
    return QImage(static_cast<uchar *>(memory), size.width(), size.height(), bytesPerLine, QImage::Format_RGB32, letGo,
                  s);
}

bool localSocket(xcb_connection_t *c)
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    return getsockname(xcb_get_file_descriptor(c), reinterpret_cast<sockaddr *>(&addr), &len) == 0 &&
           addr.ss_family == AF_UNIX;
}

// Pixels as QImage::Format_RGB32 lays them out in memory.
bool rgb32Layout(xcb_connection_t *c)
{
    const xcb_setup_t *setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == 24)
            return it.data->bits_per_pixel == 32;
    return false;
}

bool probe(xcb_connection_t *c)
{
    if (!localSocket(c) || !rgb32Layout(c))
        return false;
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_shm_id);
    if (!ext || !ext->present)
        return false;
    xcb_shm_query_version_reply_t *v = xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr);
    const bool fdPassing = v && (v->major_version > 1 || (v->major_version == 1 && v->minor_version >= 2));
    free(v);
    if (!fdPassing)
        return false;
    // One page, attached and let go at once: the server may still refuse.
    const int fd = memfd_create("syrel-probe", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 4096) != 0) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    const uint32_t id = xcb_generate_id(c);
    xcb_generic_error_t *error = xcb_request_check(c, xcb_shm_attach_fd_checked(c, id, fd, 1));
    if (error) {
        free(error);
        return false;
    }
    xcb_shm_detach(c, id);
    xcb_flush(c);
    return true;
}

void forget()
{
    std::lock_guard lock(shared().lock);
    shared().conn = nullptr;
    known = -1;   // a later application asks again
}

}   // namespace

bool available()
{
    if (known >= 0)
        return known == 1;
    known = 0;
    xcb_connection_t *c = qEnvironmentVariableIsSet("SYREL_NO_XSHM") ? nullptr : platform::x11Connection();
    if (!c || !probe(c))
        return false;
    {
        std::lock_guard lock(shared().lock);
        shared().conn = c;
    }
    // Post routines run before the platform closes the connection.
    qAddPostRoutine(forget);
    known = 1;
    return true;
}

std::function<QImage(QSize)> allocator()
{
    if (!available())
        return {};
    return makeShared;
}

uint32_t segmentOf(const QImage &picture)
{
    std::lock_guard lock(shared().lock);
    const auto it = shared().segments.find(picture.constBits());
    return it == shared().segments.end() ? 0 : it->second;
}

xcb_connection_t *connection()
{
    std::lock_guard lock(shared().lock);
    return shared().conn;
}

}   // namespace media::xshm
