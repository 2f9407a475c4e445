// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target over the files of its seed corpus without libFuzzer, so that an ordinary
// build (and the sanitizer build) checks every seed against the target's invariants.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        if (QFileInfo(path).isDir()) {
            QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            QStringList found;
            while (it.hasNext())
                found.append(it.next());
            found.sort();
            files += found;
        } else {
            files.append(path);
        }
    }
    // An empty or missing corpus would pass without testing anything.
    if (files.isEmpty()) {
        std::fprintf(stderr, "no input found\n");
        return 1;
    }
    for (const QString &path : std::as_const(files)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        std::fprintf(stderr, "%s (%lld bytes)\n", qPrintable(QFileInfo(path).fileName()),
                     static_cast<long long>(bytes.size()));
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()),
                               size_t(bytes.size()));
    }
    std::fprintf(stderr, "%lld inputs passed\n", static_cast<long long>(files.size()));
    return 0;
}
