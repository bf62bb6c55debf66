// The spool of records: what goes in comes back, by index, whether it went to
// the spill file or stayed in memory, and when no spill file can be had.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <string>

#include "scan/record_spool.h"

namespace {

struct Record {
    uint64_t a;
    uint32_t b;
    uint32_t c;
};

Record record_at(uint64_t i) {
    return {i * 7919, static_cast<uint32_t>(i), static_cast<uint32_t>(~i)};
}

// Every record read back in order, then from the last to the first.
void expect_all_back(const RecordSpool<Record>& spool, uint64_t count, const std::string& what) {
    ASSERT_EQ(spool.size, count) << what;
    for (uint64_t pass = 0; pass < 2; ++pass) {
        for (uint64_t n = 0; n < count; ++n) {
            uint64_t i = pass == 0 ? n : count - 1 - n;
            const Record* got = spool_record(spool, i);
            ASSERT_NE(got, nullptr) << what << " at " << i;
            Record want = record_at(i);
            ASSERT_TRUE(got->a == want.a && got->b == want.b && got->c == want.c)
                << what << " at " << i;
        }
    }
}

TEST(RecordSpool, GivesBackEveryRecordSpilledOrKept) {
    const uint64_t block = RecordSpool<Record>::kBlockRecords;
    const uint64_t counts[] = {0, 1, block - 1, block, block + 1, 3 * block + 5};
    const char* saved = std::getenv("TMPDIR");
    std::string saved_dir = saved != nullptr ? saved : "";
    for (bool file_can_be_had : {true, false}) {
        if (file_can_be_had)
            saved != nullptr ? setenv("TMPDIR", saved_dir.c_str(), 1) : unsetenv("TMPDIR");
        else
            setenv("TMPDIR", "/nonexistent-folder-for-spills", 1);
        for (uint64_t count : counts) {
            RecordSpool<Record> spool;
            // Each record's field c written again once it is in, spilled or not.
            for (uint64_t i = 0; i < count; ++i) {
                Record record = record_at(i);
                uint32_t c = record.c;
                record.c = 0;
                spool_push(spool, record);
                spool_rewrite(spool, i, offsetof(Record, c), &c, sizeof c);
            }
            std::string what = std::to_string(count) + (file_can_be_had ? " spilled" : " kept");
            expect_all_back(spool, count, what);
            // Memory holds one block at most while the file takes the rest.
            if (file_can_be_had)
                EXPECT_LT(spool.kept.size, block) << what;
            else
                EXPECT_EQ(spool.kept.size, count) << what;
        }
    }
    saved != nullptr ? setenv("TMPDIR", saved_dir.c_str(), 1) : unsetenv("TMPDIR");
}

}  // namespace
