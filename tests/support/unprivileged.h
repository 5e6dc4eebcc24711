// Permission bits that bind the test: as the superuser, whom they do not stop, the process
// takes on the unprivileged user "nobody" for the life of a scope (its effective user, group
// and supplementary groups; the superuser's capabilities lapse with them) and is the
// superuser again afterwards. Any other user is bound by them already.

#pragma once

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

class Unprivileged {
public:
    // Hands `path` to the user the scope runs as, so that owner permission bits speak for
    // that user; does nothing unless the process is the superuser.
    static bool HandOver(const QString& path) {
        if (geteuid() != 0)
            return true;
        const passwd* nobody = getpwnam("nobody");
        return nobody &&
               chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) == 0;
    }

    Unprivileged() {
        if (geteuid() != 0) {
            active_ = true;
            return;
        }
        const passwd* nobody = getpwnam("nobody");
        if (!nobody) {
            reason_ = "this system has no user \"nobody\" to drop to";
            return;
        }
        savedGroups_.resize(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
        if (getgroups(static_cast<int>(savedGroups_.size()), savedGroups_.data()) < 0)
            savedGroups_.clear();
        savedGid_ = getegid();
        // Real and effective ids both, as in a process started as that user (access() asks
        // with the real ones); the saved ids stay the superuser's, to come back to.
        if (setgroups(0, nullptr) != 0 || setresgid(nobody->pw_gid, nobody->pw_gid, 0) != 0 ||
            setresuid(nobody->pw_uid, nobody->pw_uid, 0) != 0) {
            reason_ =
                std::string("the superuser cannot become \"nobody\" here: ") + std::strerror(errno);
            Restore();
            return;
        }
        dropped_ = true;
        active_ = true;
    }
    ~Unprivileged() { Restore(); }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // Whether permission bits now bind the process; otherwise Reason says why not.
    bool Active() const { return active_; }
    const std::string& Reason() const { return reason_; }

    // True when `folder` refuses a new file to the process as it is now; a probe file that
    // could be made is removed again.
    static bool RefusesNewFiles(const QString& folder) {
        const QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.probe"));
        const int fd = open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return true;
        close(fd);
        unlink(probe.constData());
        return false;
    }

private:
    void Restore() {
        if (!dropped_ && savedGid_ == static_cast<gid_t>(-1))
            return;
        if (setresuid(0, 0, 0) != 0)
            return;
        if (savedGid_ != static_cast<gid_t>(-1))
            setresgid(savedGid_, savedGid_, savedGid_);
        if (dropped_ || !savedGroups_.empty())
            setgroups(savedGroups_.size(), savedGroups_.data());
        dropped_ = false;
        savedGid_ = static_cast<gid_t>(-1);
        savedGroups_.clear();
    }

    bool active_ = false;
    bool dropped_ = false;
    std::string reason_;
    gid_t savedGid_ = static_cast<gid_t>(-1);
    std::vector<gid_t> savedGroups_;
};

// Runs `command` bound by permission bits, or skips the test with the reason when the
// superuser cannot give up its privileges here. The caller checks IsSkipped() afterwards.
template <typename Command> void RunUnprivileged(Command command) {
    Unprivileged user;
    if (!user.Active())
        GTEST_SKIP() << user.Reason();
    command();
}
