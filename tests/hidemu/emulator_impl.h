// Inside the emulator: its nodes, open files and the mouse link, shared by the emulator's
// methods and the FUSE operations (fuse_ops.cpp).
#pragma once

#define FUSE_USE_VERSION 35
#include <fuse_lowlevel.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hidemu/emulator.h"
#include "hidemu/sysfs_tree.h"

namespace hidemu {

// hidraw keeps this many reports per reader and drops new ones when they are not taken.
constexpr size_t kQueueLimit = 64;
constexpr int kFirstNodeNumber = 2;  // as if hidraw0 and hidraw1 belonged to other devices
constexpr int kWorkers = 4;

using Report = std::vector<uint8_t>;

// One appearance of a fixture node under a node number; the inode is 2 + its index.
struct LiveNode {
    int spec = 0;
    int number = 0;
    bool present = true;
    SysfsIds ids;
    std::string sysDevice;
};

struct OpenFile {
    int node = 0;  // index into Impl::nodes
    std::deque<Report> queue;
    struct Pending {
        fuse_req_t req;
        size_t size;
    };
    std::deque<Pending> pending;  // blocking reads waiting for a report
    fuse_pollhandle* poll = nullptr;
};

struct Emulator::Impl {
    mutable std::mutex mu;
    Fixture fixture;
    sim::VirtualMouseSetup setup;
    std::unique_ptr<sim::VirtualMouseBackend> mouse;
    std::string top, sysTop, devRoot;
    std::vector<LiveNode> nodes;
    std::vector<int> current;  // per fixture node: index into nodes, -1 while unplugged
    std::vector<bool> denied;
    // Replug(true): numbers held only by files still open on removed nodes count as free.
    bool reuseHeldNumbers = false;
    int nextSequence = 1;
    bool plugged = false;
    bool started = false;
    std::map<uint64_t, std::unique_ptr<OpenFile>> files;
    uint64_t nextFile = 1;
    long noiseQueued = 0;
    long dropped = 0;
    time_t startTime = 0;

    // The mouse's command and notification handles and the thread reading the latter.
    std::mutex linkMu;  // held while the link is opened or closed
    std::atomic<platform::HidHandle> cmd{platform::kNoHidHandle};
    platform::HidHandle notify = platform::kNoHidHandle;
    std::thread reader;

    fuse_session* session = nullptr;
    bool mounted = false;
    int stopFd = -1;
    std::vector<std::thread> workers;

    std::thread noise;
    std::mutex noiseMu;
    std::condition_variable noiseCv;
    bool noiseStop = false;

    // With mu held.
    LiveNode* NodeOfIno(fuse_ino_t ino);
    OpenFile* FileOf(uint64_t fh);
    const NodeSpec& SpecOf(const LiveNode& n) const { return fixture.nodes[n.spec]; }
    // Queues a report on every open file of nodes[node]; answers a waiting read first.
    // Returns the number of files that got it.
    int QueueOn(int node, const Report& report);
    // Ends every waiting read of the node's files with err and wakes their pollers.
    void FailWaiting(int node, int err);
    bool AddNodes(std::string& error);
    // The lowest node number neither a present node nor a file open on a removed one holds.
    int FreeNumber() const;
    void RemoveNodes();

    bool OpenLink(std::string& error);
    void CloseLink();
    void ReadLoop(platform::HidHandle h);
    void Deliver(const Report& fromMouse);

    bool Mount(std::string& error);
    void Unmount();
    void Worker();

    void NoiseLoop(int pointerHz, int keyHz);
};

// The FUSE operations of the device folder.
const fuse_lowlevel_ops& NodeOperations();
struct stat NodeAttr(const Emulator::Impl& im, fuse_ino_t ino);

}  // namespace hidemu
