#include "export/job_pool.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace exporter {

namespace {

JobOutcome runOne(const std::function<JobOutcome(std::size_t)>& work, std::size_t index)
{
    try {
        return work(index);
    } catch (const std::exception& error) {
        return {false, error.what()};
    }
}

PoolEnd runHere(std::size_t count, const std::function<JobOutcome(std::size_t)>& work,
                const std::function<bool(std::size_t, const JobOutcome&)>& onOutcome,
                const std::function<bool()>& stopRequested, const std::function<void()>& onTick)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (stopRequested()) {
            return PoolEnd::Stopped;
        }
        if (!onOutcome(i, runOne(work, i))) {
            return PoolEnd::Stopped;
        }
        if (onTick) {
            onTick();
        }
    }
    return PoolEnd::Completed;
}

#ifndef _WIN32

// One line on the pipes: the job's number going out; "number TAB 1|0 TAB text" coming back.
std::string oneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The worker's life: jobs until the job pipe ends. Interrupts are the parent's to handle: a
// worker always finishes the file it is writing.
[[noreturn]] void workerMain(int jobFd, int resultFd,
                             const std::function<JobOutcome(std::size_t)>& work)
{
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    std::string line;
    char ch = 0;
    while (true) {
        const ssize_t got = ::read(jobFd, &ch, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            std::_Exit(0);
        }
        if (ch != '\n') {
            line += ch;
            continue;
        }
        const std::size_t index = std::stoul(line);
        line.clear();
        const JobOutcome outcome = runOne(work, index);
        if (!writeAll(resultFd, std::to_string(index) + '\t' + (outcome.ok ? "1" : "0") + '\t' +
                                    oneLine(outcome.text) + '\n')) {
            std::_Exit(1);
        }
    }
}

struct Worker {
    pid_t pid = -1;
    int jobFd = -1;
    int resultFd = -1;
    std::string received;
    std::optional<std::size_t> current;
};

void closeFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

PoolEnd runForked(std::size_t count, unsigned workerCount,
                  const std::function<JobOutcome(std::size_t)>& work,
                  const std::function<bool(std::size_t, const JobOutcome&)>& onOutcome,
                  const std::function<bool()>& stopRequested, const std::function<void()>& onTick,
                  const std::function<bool()>& abandonRequested)
{
    // A worker that died must not take this process with it when a job is sent to it.
    std::signal(SIGPIPE, SIG_IGN);
    std::fflush(nullptr);
    std::vector<Worker> workers(workerCount);
    for (std::size_t w = 0; w < workers.size(); ++w) {
        int jobs[2];
        int results[2];
        if (::pipe(jobs) != 0) {
            workers.resize(w);
            break;
        }
        if (::pipe(results) != 0) {
            ::close(jobs[0]);
            ::close(jobs[1]);
            workers.resize(w);
            break;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (std::size_t other = 0; other < w; ++other) {
                ::close(workers[other].jobFd);
                ::close(workers[other].resultFd);
            }
            ::close(jobs[1]);
            ::close(results[0]);
            workerMain(jobs[0], results[1], work);
        }
        ::close(jobs[0]);
        ::close(results[1]);
        if (pid < 0) {
            ::close(jobs[1]);
            ::close(results[0]);
            workers.resize(w);
            break;
        }
        workers[w].pid = pid;
        workers[w].jobFd = jobs[1];
        workers[w].resultFd = results[0];
    }
    if (workers.empty()) {
        return runHere(count, work, onOutcome, stopRequested, onTick);
    }

    std::size_t next = 0;
    bool stopping = false;
    const auto stopAll = [&] {
        stopping = true;
        for (Worker& worker : workers) {
            closeFd(worker.jobFd);
        }
    };
    const auto feed = [&](Worker& worker) {
        if (!stopping && next < count && writeAll(worker.jobFd, std::to_string(next) + '\n')) {
            worker.current = next++;
        } else {
            closeFd(worker.jobFd);
        }
    };
    for (Worker& worker : workers) {
        feed(worker);
    }
    while (true) {
        std::vector<pollfd> polled;
        std::vector<Worker*> owners;
        for (Worker& worker : workers) {
            if (worker.resultFd >= 0) {
                polled.push_back({worker.resultFd, POLLIN, 0});
                owners.push_back(&worker);
            }
        }
        if (polled.empty()) {
            break;
        }
        const int ready = ::poll(polled.data(), polled.size(), 200);
        if (!stopping && stopRequested()) {
            stopAll();
        }
        if (stopping && abandonRequested && abandonRequested()) {
            for (Worker& worker : workers) {
                ::kill(worker.pid, SIGKILL); // a stopped process dies of it too
                closeFd(worker.resultFd);
                closeFd(worker.jobFd);
            }
            for (Worker& worker : workers) {
                int status = 0;
                while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
                }
            }
            return PoolEnd::Abandoned;
        }
        if (onTick) {
            onTick();
        }
        if (ready <= 0) {
            continue;
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents == 0) {
                continue;
            }
            Worker& worker = *owners[i];
            char buffer[4096];
            const ssize_t got = ::read(worker.resultFd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                closeFd(worker.resultFd);
                closeFd(worker.jobFd);
                if (worker.current) {
                    const std::size_t lost = *worker.current;
                    worker.current.reset();
                    onOutcome(lost, {false, "a worker process ended before its stud was done"});
                    stopAll();
                }
                continue;
            }
            worker.received.append(buffer, static_cast<std::size_t>(got));
            std::size_t end = 0;
            while ((end = worker.received.find('\n')) != std::string::npos) {
                const std::string line = worker.received.substr(0, end);
                worker.received.erase(0, end + 1);
                const std::size_t tab = line.find('\t');
                const std::size_t index = std::stoul(line.substr(0, tab));
                const JobOutcome outcome{line.compare(tab + 1, 1, "1") == 0,
                                         line.substr(std::min(line.size(), tab + 3))};
                worker.current.reset();
                if (!onOutcome(index, outcome)) {
                    stopAll();
                }
                feed(worker);
            }
        }
    }
    for (Worker& worker : workers) {
        int status = 0;
        while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return stopping ? PoolEnd::Stopped : PoolEnd::Completed;
}

#endif

} // namespace

PoolEnd runJobs(std::size_t count, unsigned workers,
                const std::function<JobOutcome(std::size_t)>& work,
                const std::function<bool(std::size_t, const JobOutcome&)>& onOutcome,
                const std::function<bool()>& stopRequested, const std::function<void()>& onTick,
                const std::function<bool()>& abandonRequested)
{
#ifndef _WIN32
    if (workers > 1 && count > 1) {
        return runForked(count, static_cast<unsigned>(std::min<std::size_t>(workers, count)), work,
                         onOutcome, stopRequested, onTick, abandonRequested);
    }
#else
    (void)workers;
#endif
    (void)abandonRequested;
    return runHere(count, work, onOutcome, stopRequested, onTick);
}

} // namespace exporter
