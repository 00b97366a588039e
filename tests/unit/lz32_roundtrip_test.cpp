// LZ32, as the setup calls it, expands what the build machine's SZDD packer
// wrote. The samples come from "szdd_tests --write-samples DIR" (NAME.dat and
// NAME.da_ with replaced character 't'); SZDD_SAMPLES_DIR names DIR.
#include "win_support.h"
#include <lzexpand.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

typedef std::vector<BYTE> Bytes;

// Expands packedPath to outPath the way the setup does: LZInit over a
// CreateFileA handle, which has no limit on the length of the path, then
// LZCopy to a CreateFileA handle. What LZCopy returned; -1 when a file does
// not open, or LZInit fails or, finding no SZDD header, hands back the file.
static LONG ExpandWithLzCopy(const std::string &packedPath, const std::string &outPath)
{
    HANDLE in = CreateFileA(packedPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    INT source = in != INVALID_HANDLE_VALUE ? LZInit((HFILE)(INT_PTR)in) : -1;
    bool packed = source >= 0 && source != (INT)(INT_PTR)in;
    LONG copied = packed && out != INVALID_HANDLE_VALUE ? LZCopy(source, (HFILE)(INT_PTR)out) : -1;
    if (packed)
        LZClose(source);   // closes in as well
    else if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    return copied;
}

// Every sample: LZCopy turns NAME.da_ back into NAME.dat.
TEST(Lz32Expand, LzCopyRestoresEverySample)
{
    std::string dir = PathFromEnvironment("SZDD_SAMPLES_DIR");
    ASSERT_FALSE(dir.empty()) << "SZDD_SAMPLES_DIR is not set";
    std::vector<std::string> names;
    for (const std::string &entry : FolderEntries(dir))
        if (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".da_") == 0)
            names.push_back(entry.substr(0, entry.size() - 4));
    // Ten cases and eight generated inputs.
    ASSERT_EQ(names.size(), 18u) << "in " << dir;
    std::string outDir = MakeTempFolder("lz32-");
    ASSERT_FALSE(outDir.empty());
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        std::string packedPath = dir + "\\" + name + ".da_";
        Bytes original;
        ASSERT_TRUE(ReadBytes(dir + "\\" + name + ".dat", &original));

        std::string outPath = outDir + "\\" + name + ".dat";
        LONG copied = ExpandWithLzCopy(packedPath, outPath);
        Bytes expanded;
        EXPECT_TRUE(ReadBytes(outPath, &expanded));
        EXPECT_EQ(copied, (LONG)original.size());
        EXPECT_TRUE(expanded == original) << "differs after expansion";
    }
    RemoveTree(outDir);
}
