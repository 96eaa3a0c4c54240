#include "tools/trvprint/page_preview.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/spooler_stand_in.h"
#include "spool/record.h"

namespace trvprint {

namespace {

constexpr DWORD kBitmapHeaderPayload = 6;

std::string At(size_t offset) { return " at byte " + std::to_string(offset) + " of the job"; }

}  // namespace

JobCapture::JobCapture() {
  cookie_ = trv::AddJobDataListener([this](DWORD job, const BYTE* data, DWORD size) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<BYTE>& bytes = jobs_[job];
    bytes.insert(bytes.end(), data, data + size);
  });
}

JobCapture::~JobCapture() { trv::RemoveJobDataListener(cookie_); }

bool JobCapture::TheJob(std::vector<BYTE>* bytes, std::string* error) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (jobs_.size() != 1) {
    *error = jobs_.empty() ? "no print job was spooled"
                           : std::to_string(jobs_.size()) + " print jobs were spooled, not one";
    return false;
  }
  *bytes = jobs_.begin()->second;
  return true;
}

bool SentPages(std::span<const BYTE> job, std::vector<SentPage>* pages, std::string* error) {
  using namespace trv::spool;
  pages->clear();
  SentPage page;
  bool haveHeader = false, pageOpen = false;
  for (size_t at = 0; at < job.size();) {
    const BYTE* r = job.data() + at;
    if (job.size() - at < DCLD_HEADER_SIZE || RecordHeaderSize(r) != DCLD_HEADER_SIZE ||
        RecordMagic(r) != DCLD_MAGIC ||
        RecordPayloadLength(r) > job.size() - at - DCLD_HEADER_SIZE) {
      *error = "the job is not a stream of whole records" + At(at);
      return false;
    }
    const DWORD length = RecordPayloadLength(r);
    const BYTE* payload = r + DCLD_HEADER_SIZE;
    const DWORD type = RecordType(r);
    // Everything but the document's own records belongs to a page.
    if (type != DCLD_DEVPROPS && type != DCLD_DOCPROPS && (type & 0xFF00) != 0x1000)
      pageOpen = true;
    switch (type) {
      case DCLD_BITMAP_HEADER: {
        if (length < kBitmapHeaderPayload) {
          *error = "a bitmap header is cut short" + At(at);
          return false;
        }
        auto& b = page.bitmap;
        b.width = ReadU16(payload);
        b.height = ReadU16(payload + 2);
        b.stride = ReadU16(payload + 4);
        if (b.width == 0 || b.height == 0 || b.stride < (b.width + 7) / 8) {
          *error = "a bitmap header describes no page" + At(at);
          return false;
        }
        haveHeader = true;
        break;
      }
      case DCLD_BITMAP_DATA: {
        auto& b = page.bitmap;
        const size_t size = size_t{b.stride} * b.height;
        if (!haveHeader || length < size) {
          *error = (haveHeader ? "bitmap data shorter than its header says"
                               : "bitmap data without a bitmap header") +
                   At(at);
          return false;
        }
        b.rows.assign(payload, payload + size);
        page.hasBitmap = true;
        haveHeader = false;
        break;
      }
      case DCLD_PAGE_END:
        pages->push_back(std::move(page));
        page = SentPage{};
        haveHeader = pageOpen = false;
        break;
      default: break;
    }
    at += DCLD_HEADER_SIZE + size_t{length};
  }
  if (pageOpen) {
    *error = "the job ends inside a page";
    return false;
  }
  return true;
}

bool CheckPreviewPath(const std::string& path, std::string* error) {
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec);
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr || std::filesystem::is_directory(path, ec)) {
    if (file != nullptr) std::fclose(file);
    *error = path + ": cannot write the page bitmap there";
    return false;
  }
  std::fclose(file);
  if (!existed) std::filesystem::remove(path, ec);
  return true;
}

bool WritePreview(const std::string& path, const std::vector<SentPage>& pages,
                  std::vector<std::string>* written, std::vector<std::string>* notes,
                  std::string* error) {
  for (size_t n = 0; n < pages.size(); ++n) {
    const std::string file = trv::samples::NumberedPagePath(path, n + 1);
    if (!pages[n].hasBitmap) {
      notes->push_back("page " + std::to_string(n + 1) +
                       " was sent without a bitmap (nothing on it as dots): no " + file);
      continue;
    }
    try {
      trv::samples::WritePagePng(file, pages[n].bitmap);
    } catch (const std::exception& e) {
      *error = e.what();
      return false;
    }
    written->push_back(file);
  }
  return true;
}

}  // namespace trvprint
