// The device folder's file system: a directory of hidrawN files that answer like hidraw.
#include <errno.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cstring>

#include "hidemu/emulator_impl.h"

namespace hidemu {
namespace {

using Lock = std::lock_guard<std::mutex>;

Emulator::Impl& Im(fuse_req_t req) {
    return *static_cast<Emulator::Impl*>(fuse_req_userdata(req));
}

constexpr fuse_ino_t kFirstNodeIno = 2;

fuse_ino_t InoOf(int nodeIndex) {
    return kFirstNodeIno + static_cast<fuse_ino_t>(nodeIndex);
}

void OpLookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
    Emulator::Impl& im = Im(req);
    fuse_entry_param e{};
    {
        Lock g(im.mu);
        int found = -1;
        for (size_t i = 0; i < im.nodes.size() && parent == FUSE_ROOT_ID; ++i)
            if (im.nodes[i].present && "hidraw" + std::to_string(im.nodes[i].number) == name)
                found = static_cast<int>(i);
        if (found < 0) {
            fuse_reply_err(req, ENOENT);
            return;
        }
        e.ino = InoOf(found);
        e.attr = NodeAttr(im, e.ino);
    }
    // No caching: a node that vanished must not be found again.
    e.attr_timeout = 0;
    e.entry_timeout = 0;
    fuse_reply_entry(req, &e);
}

void OpGetattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
    Emulator::Impl& im = Im(req);
    struct stat st {};
    {
        Lock g(im.mu);
        if (ino != FUSE_ROOT_ID && !im.NodeOfIno(ino)) {
            fuse_reply_err(req, ENOENT);
            return;
        }
        st = NodeAttr(im, ino);
    }
    fuse_reply_attr(req, &st, 0);
}

void OpReaddir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, fuse_file_info*) {
    Emulator::Impl& im = Im(req);
    if (ino != FUSE_ROOT_ID) {
        fuse_reply_err(req, ENOTDIR);
        return;
    }
    std::string buf;
    auto add = [&](const std::string& name, fuse_ino_t i, mode_t mode) {
        struct stat st {};
        st.st_ino = i;
        st.st_mode = mode;
        const size_t at = buf.size();
        const size_t need = fuse_add_direntry(req, nullptr, 0, name.c_str(), nullptr, 0);
        buf.resize(at + need);
        fuse_add_direntry(req, &buf[at], need, name.c_str(), &st, static_cast<off_t>(at + need));
    };
    {
        Lock g(im.mu);
        add(".", FUSE_ROOT_ID, S_IFDIR);
        add("..", FUSE_ROOT_ID, S_IFDIR);
        for (size_t i = 0; i < im.nodes.size(); ++i)
            if (im.nodes[i].present)
                add("hidraw" + std::to_string(im.nodes[i].number), InoOf(static_cast<int>(i)),
                    S_IFREG);
    }
    if (off < 0 || static_cast<size_t>(off) >= buf.size()) {
        fuse_reply_buf(req, nullptr, 0);
        return;
    }
    fuse_reply_buf(req, buf.data() + off, std::min(buf.size() - static_cast<size_t>(off), size));
}

void OpOpen(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
    Emulator::Impl& im = Im(req);
    {
        Lock g(im.mu);
        LiveNode* n = im.NodeOfIno(ino);
        if (!n || !n->present) {
            fuse_reply_err(req, ENOENT);
            return;
        }
        if (im.denied[n->spec]) {
            fuse_reply_err(req, EACCES);
            return;
        }
        auto f = std::make_unique<OpenFile>();
        f->node = static_cast<int>(ino - kFirstNodeIno);
        fi->fh = im.nextFile++;
        im.files.emplace(fi->fh, std::move(f));
    }
    // Every read and write must reach us, whatever its size or offset.
    fi->direct_io = 1;
    fi->nonseekable = 1;
    fi->keep_cache = 0;
    // Outside the lock: a reply to an interrupted open calls release at once.
    fuse_reply_open(req, fi);
}

void OpRelease(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
    Emulator::Impl& im = Im(req);
    {
        Lock g(im.mu);
        auto it = im.files.find(fi->fh);
        if (it != im.files.end()) {
            for (auto& p : it->second->pending) fuse_reply_err(p.req, EIO);
            if (it->second->poll) fuse_pollhandle_destroy(it->second->poll);
            im.files.erase(it);
        }
    }
    fuse_reply_err(req, 0);
}

// A signal reached a blocked reader: its read ends with EINTR.
void OnReadInterrupted(fuse_req_t req, void* data) {
    auto& im = *static_cast<Emulator::Impl*>(data);
    Lock g(im.mu);
    for (auto& [fh, f] : im.files) {
        for (auto it = f->pending.begin(); it != f->pending.end(); ++it) {
            if (it->req != req) continue;
            f->pending.erase(it);
            fuse_reply_err(req, EINTR);
            return;
        }
    }
}

void OpRead(fuse_req_t req, fuse_ino_t, size_t size, off_t, fuse_file_info* fi) {
    Emulator::Impl& im = Im(req);
    // Before taking the lock: the callback may run at once and takes it itself.
    fuse_req_interrupt_func(req, OnReadInterrupted, &im);
    Lock g(im.mu);
    OpenFile* f = im.FileOf(fi->fh);
    if (!f) {
        fuse_reply_err(req, EBADF);
        return;
    }
    if (!f->queue.empty()) {
        const Report r = std::move(f->queue.front());
        f->queue.pop_front();
        fuse_reply_buf(req, reinterpret_cast<const char*>(r.data()), std::min(size, r.size()));
        return;
    }
    // Reports queued before the disconnect are still read; after them the node answers EIO.
    if (!im.nodes[f->node].present) {
        fuse_reply_err(req, EIO);
        return;
    }
    if (fi->flags & O_NONBLOCK) {
        fuse_reply_err(req, EAGAIN);
        return;
    }
    if (fuse_req_interrupted(req)) {
        fuse_reply_err(req, EINTR);
        return;
    }
    f->pending.push_back({req, size});
}

void OpPoll(fuse_req_t req, fuse_ino_t, fuse_file_info* fi, fuse_pollhandle* ph) {
    Emulator::Impl& im = Im(req);
    unsigned revents = POLLOUT | POLLWRNORM;  // hidraw always says writable
    {
        Lock g(im.mu);
        OpenFile* f = im.FileOf(fi->fh);
        if (!f) {
            if (ph) fuse_pollhandle_destroy(ph);
            fuse_reply_err(req, EBADF);
            return;
        }
        if (!f->queue.empty()) revents |= POLLIN | POLLRDNORM;
        if (!im.nodes[f->node].present) revents |= POLLERR | POLLHUP;
        if (ph) {
            if (f->poll) fuse_pollhandle_destroy(f->poll);
            f->poll = ph;
        }
    }
    fuse_reply_poll(req, revents);
}

// Copies a string with its terminating zero, cut to the caller's buffer, as hidraw does for
// the name, physical path and unique id.
void ReplyString(fuse_req_t req, const std::string& s, size_t room) {
    const size_t n = std::min(s.size() + 1, room);
    fuse_reply_ioctl(req, static_cast<int>(n), s.c_str(), n);
}

void OpIoctl(fuse_req_t req, fuse_ino_t, unsigned int cmd, void*, fuse_file_info* fi, unsigned,
             const void* inBuf, size_t inSize, size_t) {
    Emulator::Impl& im = Im(req);
    std::unique_lock<std::mutex> lk(im.mu);
    OpenFile* f = im.FileOf(fi->fh);
    if (!f) {
        fuse_reply_err(req, EBADF);
        return;
    }
    const LiveNode& node = im.nodes[f->node];
    const NodeSpec& spec = im.SpecOf(node);
    if (!node.present) {
        fuse_reply_err(req, ENODEV);
        return;
    }
    if (_IOC_TYPE(cmd) != 'H') {
        fuse_reply_err(req, EINVAL);
        return;
    }
    const size_t len = _IOC_SIZE(cmd);
    const unsigned dir = _IOC_DIR(cmd);
    const auto* in = static_cast<const uint8_t*>(inBuf);
    if (cmd == HIDIOCGRDESCSIZE) {
        const int size = static_cast<int>(spec.descriptor.size());
        fuse_reply_ioctl(req, 0, &size, sizeof size);
    } else if (cmd == HIDIOCGRDESC) {
        // The caller's size field cannot reach us (the ioctl is copied one way only), so the
        // whole descriptor comes back with its size.
        hidraw_report_descriptor d{};
        d.size = static_cast<uint32_t>(spec.descriptor.size());
        std::copy(spec.descriptor.begin(), spec.descriptor.end(), d.value);
        fuse_reply_ioctl(req, 0, &d, sizeof d.size + d.size);
    } else if (cmd == HIDIOCGRAWINFO) {
        hidraw_devinfo info{};
        info.bustype = static_cast<uint32_t>(node.ids.bus);
        info.vendor = static_cast<int16_t>(node.ids.vendorId);
        info.product = static_cast<int16_t>(node.ids.productId);
        fuse_reply_ioctl(req, 0, &info, sizeof info);
    } else if (dir == _IOC_READ && _IOC_NR(cmd) == _IOC_NR(HIDIOCGRAWNAME(0))) {
        ReplyString(req, spec.name, len);
    } else if (dir == _IOC_READ && _IOC_NR(cmd) == _IOC_NR(HIDIOCGRAWPHYS(0))) {
        ReplyString(req, HidPhys(spec), len);
    } else if (dir == _IOC_READ && _IOC_NR(cmd) == _IOC_NR(HIDIOCGRAWUNIQ(0))) {
        ReplyString(req, HidUniq(spec), len);
    } else if (dir == (_IOC_READ | _IOC_WRITE) && (_IOC_NR(cmd) == _IOC_NR(HIDIOCSFEATURE(0)) ||
                                                   _IOC_NR(cmd) == _IOC_NR(HIDIOCGFEATURE(0)))) {
        if (len < 2 || inSize < len || len > 4096) {
            fuse_reply_err(req, EINVAL);
            return;
        }
        const ReportSpec* r = spec.Find(ReportType::kFeature, in[0]);
        if (!r) {
            fuse_reply_err(req, EPIPE);  // the device stalls a report it does not have
            return;
        }
        if (_IOC_NR(cmd) == _IOC_NR(HIDIOCGFEATURE(0))) {
            Report out(static_cast<size_t>(r->bytes), 0);
            out[0] = in[0];
            const size_t n = std::min(len, out.size());
            fuse_reply_ioctl(req, static_cast<int>(n), out.data(), n);
            return;
        }
        if (in[0] != 8) {
            fuse_reply_ioctl(req, static_cast<int>(len), nullptr, 0);
            return;
        }
        // To the mouse's command interface, outside the lock: the transfer takes its time.
        const platform::HidHandle h = im.cmd.load();
        lk.unlock();
        const int err = h == platform::kNoHidHandle ? platform::kHidErrDeviceNotConnected
                                                    : im.mouse->SetFeature(h, in, len);
        if (err == platform::kHidOk)
            fuse_reply_ioctl(req, static_cast<int>(len), nullptr, 0);
        else
            fuse_reply_err(req, err == platform::kHidErrDeviceNotConnected ? ENODEV : EPIPE);
    } else {
        fuse_reply_err(req, ENOTTY);
    }
}

fuse_lowlevel_ops MakeOps() {
    fuse_lowlevel_ops ops{};
    ops.lookup = OpLookup;
    ops.getattr = OpGetattr;
    ops.readdir = OpReaddir;
    ops.open = OpOpen;
    ops.release = OpRelease;
    ops.read = OpRead;
    ops.poll = OpPoll;
    ops.ioctl = OpIoctl;
    return ops;
}

}  // namespace

const fuse_lowlevel_ops& NodeOperations() {
    static const fuse_lowlevel_ops ops = MakeOps();
    return ops;
}

struct stat NodeAttr(const Emulator::Impl& im, fuse_ino_t ino) {
    struct stat st {};
    st.st_ino = ino;
    st.st_atime = st.st_mtime = st.st_ctime = im.startTime;
    if (ino == FUSE_ROOT_ID) {
        st.st_mode = S_IFDIR | 0755;
        st.st_nlink = 2;
    } else {
        st.st_mode = S_IFREG | 0600;  // as udev leaves a node no rule grants
        st.st_nlink = 1;
    }
    return st;
}

LiveNode* Emulator::Impl::NodeOfIno(fuse_ino_t ino) {
    if (ino < kFirstNodeIno || ino - kFirstNodeIno >= nodes.size()) return nullptr;
    return &nodes[ino - kFirstNodeIno];
}

OpenFile* Emulator::Impl::FileOf(uint64_t fh) {
    auto it = files.find(fh);
    return it == files.end() ? nullptr : it->second.get();
}

}  // namespace hidemu
