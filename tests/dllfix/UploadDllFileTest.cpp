#include <cstdlib>

#include <gtest/gtest.h>

#include "dllfix/UploadDllFile.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"

TEST(UploadDllFile, SendsTheFileAsAMultipartFormAndReportsTheAnswer) {
  mxtest::TestPrefix prefix;
  const std::string dll("MZ\x90\0\x03\0\0\0\r\n--pippo", 16);
  prefix.createFile(L"C:\\Windows\\x.dll", dll);
  mxtest::ServiceDouble service(R"({"routes": [
    {"path": "/upload/uploadFile.php", "method": "POST", "times": 1, "body": "ok"},
    {"path": "*", "status": 500}]})");
  setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1);
  EXPECT_TRUE(UploadDllFile(L"C:\\Windows\\x.dll"));
  EXPECT_FALSE(UploadDllFile(L"C:\\Windows\\x.dll"));  // the service refused it
  EXPECT_FALSE(UploadDllFile(L"C:\\Windows\\missing.dll"));
  unsetenv("MENDRIX_SERVICE_URL");
  EXPECT_FALSE(UploadDllFile(L"C:\\Windows\\x.dll"));

  const auto log = service.requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].path, "/upload/uploadFile.php");
  EXPECT_EQ(log[0].headers.at("content-type"), "multipart/form-data; boundary=pippo");
  const std::string expected = "--pippo\r\nContent-Disposition: form-data; name=\"fileToUpload\"; "
                               "filename=\"C:\\Windows\\x.dll\"\r\nContent-Type:\"application/octet-stream\"\r\n\r\n" +
                               dll + "\r\n--pippo--\r\n";
  EXPECT_EQ(log[0].body, expected);
  EXPECT_EQ(log[0].headers.at("content-length"), std::to_string(expected.size()));
}
