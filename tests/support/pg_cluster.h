#pragma once

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include <grp.h>
#include <pwd.h>

namespace tilt::testing {

// A throwaway PostgreSQL server for the tests of one test program: a cluster made by initdb in a
// temporary folder and started by pg_ctl, on a socket in that folder and a free port of
// 127.0.0.1, stopped and removed when the program ends. Run as root, the server runs as the
// "postgres" user (PostgreSQL refuses root). The superuser "tilt_admin" connects without a
// password on the socket; every other role gives its password over TCP (scram-sha-256).
class PgCluster {
  public:
    static PgCluster& shared() {
        static const std::unique_ptr<PgCluster> cluster(new PgCluster);
        return *cluster;
    }

    ~PgCluster() { (void)run({pgBin("pg_ctl"), "-D", data(), "-m", "immediate", "-w", "stop"}); }
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    [[nodiscard]] int port() const { return port_; }
    [[nodiscard]] QString folder() const { return dir_.path(); }

    // The superuser on the socket, in `database`.
    [[nodiscard]] std::string adminConnection(const std::string& database = "postgres") const {
        return "host=" + dir_.path().toStdString() + " port=" + std::to_string(port_) +
               " dbname=" + database + " user=tilt_admin";
    }
    // `user` with `password` over TCP, as a URI.
    [[nodiscard]] std::string uri(const std::string& database, const std::string& user,
                                  const std::string& password) const {
        return "postgresql://" + user + ":" + password + "@127.0.0.1:" + std::to_string(port_) +
               "/" + database;
    }

    // Runs SQL as the superuser in `database` through psql; throws with psql's words.
    void sql(const std::string& statements, const std::string& database = "postgres") const {
        (void)value(statements, database);
    }
    // What SQL run as the superuser prints, unaligned, without its trailing newline.
    [[nodiscard]] std::string value(const std::string& statements,
                                    const std::string& database = "postgres") const {
        QProcess psql;
        psql.start(pgBin("psql"), {"-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d",
                                   QString::fromStdString(adminConnection(database)), "-c",
                                   QString::fromStdString(statements)});
        if (!psql.waitForFinished(60000) || psql.exitCode() != 0) {
            throw std::runtime_error("psql: " + psql.readAllStandardError().toStdString());
        }
        return psql.readAllStandardOutput().trimmed().toStdString();
    }

    // A new empty database, and its own role with a password that may do everything in it.
    void createDatabase(const std::string& name) const { sql("CREATE DATABASE \"" + name + "\""); }
    void createRole(const std::string& role, const std::string& password) const {
        sql("CREATE ROLE \"" + role + "\" LOGIN PASSWORD '" + password + "'");
    }

  private:
    PgCluster() {
        if (!dir_.isValid()) {
            throw std::runtime_error("no temporary folder for the PostgreSQL cluster");
        }
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        if (::geteuid() == 0) {
            // The server's user owns the folder; the socket in it stays reachable for root.
            const passwd* pg = ::getpwnam("postgres");
            if (pg == nullptr) {
                throw std::runtime_error("run as root, the tests need the user postgres");
            }
            asUser_ = {"runuser", "-u", "postgres", "--"};
            if (::chown(dir_.path().toLocal8Bit().constData(), pg->pw_uid, pg->pw_gid) != 0) {
                throw std::runtime_error("cannot give the cluster's folder to postgres");
            }
        }
        QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                               QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther);
        // TLS with a certificate of its own, which is also its authority: over TCP a client may
        // ask for it (sslmode) and check it (sslrootcert=certificate()).
        check(run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                   "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                   "-keyout", dir_.path() + "/server.key", "-out", certificate()}),
              "openssl");
        check(run({pgBin("initdb"), "-D", data(), "-U", "tilt_admin", "-A", "trust", "-E", "UTF8",
                   "--locale=C", "--no-sync"}),
              "initdb");
        // A test server: no durability, small, on this folder's socket and the free port.
        // TILT_PG_DURABLE=1 keeps the server's durable defaults, to measure as a real server.
        const bool durable = qEnvironmentVariableIntValue("TILT_PG_DURABLE") == 1;
        appendAsServer(
            data() + "/postgresql.conf",
            "listen_addresses = '127.0.0.1'\nport = " + QString::number(port_) +
                "\nunix_socket_directories = '" + dir_.path() + "'\nssl = on\nssl_cert_file = '" +
                certificate() + "'\nssl_key_file = '" + dir_.path() + "/server.key'\n" +
                (durable ? "" : "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n") +
                "max_connections = 40\nshared_buffers = 64MB\n");
        writeAsServer(data() + "/pg_hba.conf",
                      "local all all trust\nhost all tilt_admin 127.0.0.1/32 trust\n"
                      "host all all 127.0.0.1/32 scram-sha-256\n");
        check(run({pgBin("pg_ctl"), "-D", data(), "-l", dir_.path() + "/server.log", "-w", "-t",
                   "60", "start"}),
              "pg_ctl start");
    }

    [[nodiscard]] QString data() const { return dir_.path() + "/data"; }

  public:
    // The server's TLS certificate, its own authority.
    [[nodiscard]] QString certificate() const { return dir_.path() + "/server.crt"; }

  private:
    // The server programs of the newest PostgreSQL installed.
    static QString pgBin(const char* program) {
        QString newest;
        for (const QString& version :
             QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (newest.isEmpty() || version.toInt() > newest.toInt()) {
                newest = version;
            }
        }
        return "/usr/lib/postgresql/" + newest + "/bin/" + program;
    }

    // Runs a command as the server's user; its exit code and what it said.
    std::pair<int, std::string> run(QStringList command) const {
        QProcess p;
        QStringList all = asUser_;
        all << command;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(all.takeFirst(), all);
        const bool finished = p.waitForFinished(120000);
        return {finished ? p.exitCode() : -1, p.readAll().toStdString()};
    }
    static void check(const std::pair<int, std::string>& result, const char* what) {
        if (result.first != 0) {
            throw std::runtime_error(std::string(what) + " failed: " + result.second);
        }
    }
    void appendAsServer(const QString& file, const QString& text) const {
        check(run({"sh", "-c", "cat >> \"$0\" <<'EOF'\n" + text + "EOF\n", file}), "config");
    }
    void writeAsServer(const QString& file, const QString& text) const {
        check(run({"sh", "-c", "cat > \"$0\" <<'EOF'\n" + text + "EOF\n", file}), "pg_hba");
    }

    QTemporaryDir dir_;
    int port_ = 0;
    QStringList asUser_;
};

}  // namespace tilt::testing
