// halvrel: builds the release installer from a vendor's driver folder.
//
//   halvrel --drivers DIR --stub STUB --uninstaller EXE --out INSTALLER
//           [--manifest FILE] [--arq ARQ] [--cert CERT --key KEY [--timestamp URL]]
//
// Checks the folder (release_checks.h) and refuses with one line per
// problem, writing nothing; then signs a copy of the uninstaller, packs the
// four files and it behind the stub with `arq sfx` (which stamps the drivers'
// version and the archive's SHA-256 into the stub), signs the installer and
// writes the manifest. SOURCE_DATE_EPOCH, when set, is the carried files'
// time and the signing time, so that one release builds to the same bytes.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "machine_checks.h"
#include "manifest.h"
#include "release_checks.h"

namespace fs = std::filesystem;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: halvrel --drivers DIR --stub STUB --uninstaller EXE --out INSTALLER [--manifest FILE]\n"
                 "               [--arq ARQ] [--cert CERT --key KEY [--timestamp URL]]\n"
                 "DIR holds HALVIK.VXD, HALVIK.SYS, HALVIK2K.SYS and HALVINST.INF. With --cert and --key (PEM)\n"
                 "the uninstaller and the installer are signed (Authenticode, osslsigncode).\n");
    return 2;
}

struct Options {
    std::map<std::string, std::string> values;
    std::string get(const std::string &name) const
    {
        auto found = values.find(name);
        return found == values.end() ? "" : found->second;
    }
};

// Runs a program with arguments (no shell) in `directory`; its exit status, or -1.
int run(const std::vector<std::string> &args, const std::string &directory = "")
{
    pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (!directory.empty() && chdir(directory.c_str()) != 0)
            _exit(127);
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "halvrel: cannot run %s\n", args[0].c_str());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The first line a program prints, or empty.
std::string firstLine(const std::string &command)
{
    std::string line;
    if (FILE *p = popen(command.c_str(), "r")) {
        char buffer[1024];
        if (std::fgets(buffer, sizeof buffer, p))
            line = buffer;
        pclose(p);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

std::string quoted(const std::string &text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The certificate's subject and SHA-256 fingerprint, as the manifest names the signer.
std::string signerOf(const std::string &cert)
{
    std::string subject = firstLine("openssl x509 -in " + quoted(cert) + " -noout -subject -nameopt RFC2253 2>/dev/null");
    std::string print = firstLine("openssl x509 -in " + quoted(cert) + " -noout -fingerprint -sha256 2>/dev/null");
    if (subject.rfind("subject=", 0) == 0)
        subject = subject.substr(8);
    size_t equals = print.find('=');
    if (equals != std::string::npos)
        print = print.substr(equals + 1);
    return subject + "; certificate SHA-256 " + print;
}

struct Signing {
    std::string cert, key, timestamp, time;
    bool wanted() const { return !cert.empty(); }
};

bool sign(const Signing &signing, const std::string &in, const std::string &out, const std::string &description)
{
    std::vector<std::string> args = {"osslsigncode", "sign", "-certs", signing.cert, "-key", signing.key, "-h", "sha256",
                                     "-n", description, "-in", in, "-out", out};
    if (!signing.timestamp.empty())
        args.insert(args.end(), {"-ts", signing.timestamp});
    else if (!signing.time.empty())
        args.insert(args.end(), {"-time", signing.time});
    fs::remove(out);
    if (run(args) != 0) {
        std::fprintf(stderr, "halvrel: %s: signing failed (osslsigncode)\n", in.c_str());
        return false;
    }
    return true;
}

std::string arqBesideUs()
{
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? "arq" : (self.parent_path() / "arq").string();
}

int build(const Options &options)
{
    const std::string drivers = options.get("drivers"), stub = options.get("stub"),
                      uninstaller = options.get("uninstaller"), out = options.get("out");
    if (drivers.empty() || stub.empty() || uninstaller.empty() || out.empty())
        return usage();
    Signing signing{options.get("cert"), options.get("key"), options.get("timestamp"), ""};
    if (const char *epoch = std::getenv("SOURCE_DATE_EPOCH"))
        signing.time = epoch;
    std::string manifest = options.get("manifest");
    if (manifest.empty())
        manifest = (fs::path(out).parent_path() / (fs::path(out).stem().string() + "-manifest.txt")).string();
    std::string arq = options.get("arq").empty() ? arqBesideUs() : options.get("arq");

    // Everything that can refuse the release is looked at before anything is written.
    ScratchMachines machines;
    CheckedFolder folder = checkDriverFolder(drivers, machines);
    std::vector<std::string> problems = folder.problems;
    for (const std::string &file : {stub, uninstaller})
        if (!fs::is_regular_file(file))
            problems.push_back(file + ": missing");
    if (signing.wanted() != !signing.key.empty())
        problems.push_back("signing needs both a certificate and its key");
    for (const std::string &file : {signing.cert, signing.key})
        if (!file.empty() && !fs::is_regular_file(file))
            problems.push_back(file + ": missing");
    if (signing.wanted() && run({"osslsigncode", "--version"}) != 0)
        problems.push_back("osslsigncode cannot be run (Debian: apt-get install osslsigncode)");
    if (!problems.empty()) {
        for (const std::string &problem : problems)
            std::fprintf(stderr, "halvrel: %s: %s\n", drivers.c_str(), problem.c_str());
        std::fprintf(stderr, "halvrel: %zu problem%s; nothing written\n", problems.size(),
                     problems.size() == 1 ? "" : "s");
        return 1;
    }
    std::string version = folder.product.text();

    // The carried files, under the names they travel by, in a staging folder beside the output.
    fs::path outDir = fs::absolute(out).parent_path();
    fs::create_directories(outDir);
    std::string pattern = (outDir / ".halvrel-XXXXXX").string();
    if (!mkdtemp(&pattern[0])) {
        std::fprintf(stderr, "halvrel: %s: cannot make a staging folder\n", outDir.c_str());
        return 1;
    }
    fs::path staging = pattern;
    auto fail = [&](const std::string &why) {
        if (!why.empty())
            std::fprintf(stderr, "halvrel: %s\n", why.c_str());
        std::error_code ignored;
        fs::remove_all(staging, ignored);
        return 1;
    };
    std::vector<ManifestFile> carried;
    for (size_t i = 0; i < kReleaseFiles.size(); i++) {
        fs::copy_file(folder.paths[i], staging / kReleaseFiles[i]);
        carried.push_back({kReleaseFiles[i], folder.versions[i].found ? folder.versions[i].text() : "-",
                           (staging / kReleaseFiles[i]).string()});
    }
    // The uninstaller is signed before it is packed: it runs on its own later.
    std::string carriedUninstaller = (staging / "HALVUNIN.EXE").string();
    if (signing.wanted()) {
        if (!sign(signing, uninstaller, carriedUninstaller, "Talven Tessera Disc Reader uninstaller"))
            return fail("");
    } else {
        fs::copy_file(uninstaller, carriedUninstaller);
    }
    FileVersion uninstallerVersion = machines.version(carriedUninstaller, "winxp");
    carried.push_back({"HALVUNIN.EXE", uninstallerVersion.found ? uninstallerVersion.text() : "-", carriedUninstaller});

    std::string packed = (staging / "packed.exe").string();
    std::vector<std::string> pack = {arq, "sfx", "--version", version, fs::absolute(stub).string(), packed};
    for (const char *name : {"HALVIK.SYS", "HALVIK.VXD", "HALVINST.INF", "HALVIK2K.SYS", "HALVUNIN.EXE"})
        pack.push_back(name);
    if (run(pack, staging.string()) != 0)
        return fail(out + ": packing failed (" + arq + " sfx)");
    std::string finished = (staging / "signed.exe").string();
    if (signing.wanted()) {
        if (!sign(signing, packed, finished, "Talven Tessera Disc Reader Setup"))
            return fail("");
    } else {
        finished = packed;
    }

    std::string text, error;
    if (!manifestText(version, carried, fs::path(out).filename().string(), finished,
                      signing.wanted() ? signerOf(signing.cert) : "", text, error))
        return fail(error);
    std::string manifestTemp = (staging / "manifest.txt").string();
    std::ofstream(manifestTemp, std::ios::binary) << text;
    fs::permissions(finished, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add);
    std::error_code moved;
    fs::rename(finished, out, moved);
    if (!moved)
        fs::rename(manifestTemp, manifest, moved);
    if (moved)
        return fail(out + ": cannot be written: " + moved.message());
    fail("");
    std::printf("%s: version %s, %s; manifest %s\n", out.c_str(), version.c_str(),
                signing.wanted() ? "signed" : "unsigned", manifest.c_str());
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0 || i + 1 >= argc)
            return usage();
        options.values[arg.substr(2)] = argv[++i];
    }
    for (const auto &[name, value] : options.values)
        if (name != "drivers" && name != "stub" && name != "uninstaller" && name != "out" && name != "manifest" &&
            name != "arq" && name != "cert" && name != "key" && name != "timestamp")
            return usage();
    try {
        return build(options);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "halvrel: %s\n", e.what());
        return 1;
    }
}
