// The snmpapi utilities as the agent relies on them. The same cases run
// against snmpapi.dll under Wine, the second opinion on the Linux ones.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/snmp.h"

namespace {

AsnObjectIdentifier Make(std::initializer_list<UINT> ids) {
  AsnObjectIdentifier oid{static_cast<UINT>(ids.size()),
                          static_cast<UINT*>(SnmpUtilMemAlloc(static_cast<UINT>(ids.size() * sizeof(UINT))))};
  std::copy(ids.begin(), ids.end(), oid.ids);
  return oid;
}

TEST(SnmpApi, OidsCompareByUnsignedSubIdentifiersThenByLength) {
  AsnObjectIdentifier a = Make({1, 3, 6, 1});
  AsnObjectIdentifier b = Make({1, 3, 6, 1, 0});
  AsnObjectIdentifier c = Make({1, 3, 0xFFFFFFFFu});
  AsnObjectIdentifier d = Make({1, 3, 7});
  EXPECT_LT(SnmpUtilOidCmp(&a, &b), 0) << "a prefix is smaller";
  EXPECT_GT(SnmpUtilOidCmp(&b, &a), 0);
  EXPECT_EQ(SnmpUtilOidCmp(&a, &a), 0);
  EXPECT_GT(SnmpUtilOidCmp(&c, &d), 0) << "0xFFFFFFFF is the largest, not -1";
  EXPECT_EQ(SnmpUtilOidNCmp(&a, &b, 4), 0) << "the first four agree";
  EXPECT_LT(SnmpUtilOidNCmp(&a, &b, 5), 0);
  for (AsnObjectIdentifier* oid : {&a, &b, &c, &d}) SnmpUtilOidFree(oid);
}

TEST(SnmpApi, AShorterOidWithALargerSubIdentifierIsGreater) {
#ifdef _WIN32
  GTEST_SKIP() << "snmpapi.dll under Wine compares the lengths first";
#endif
  AsnObjectIdentifier shorter = Make({1, 3, 7});
  AsnObjectIdentifier longer = Make({1, 3, 6, 1});
  EXPECT_GT(SnmpUtilOidCmp(&shorter, &longer), 0);
  EXPECT_LT(SnmpUtilOidCmp(&longer, &shorter), 0);
  SnmpUtilOidFree(&shorter);
  SnmpUtilOidFree(&longer);
}

TEST(SnmpApi, CopyAppendAndFree) {
  AsnObjectIdentifier source = Make({1, 3, 6});
  AsnObjectIdentifier copy{};
  ASSERT_EQ(SnmpUtilOidCpy(&copy, &source), SNMPAPI_NOERROR);
  ASSERT_EQ(copy.idLength, 3u);
  EXPECT_NE(copy.ids, source.ids) << "a copy of its own";
  AsnObjectIdentifier tail = Make({1, 4});
  ASSERT_EQ(SnmpUtilOidAppend(&copy, &tail), SNMPAPI_NOERROR);
  ASSERT_EQ(copy.idLength, 5u);
  EXPECT_EQ(copy.ids[3], 1u);
  EXPECT_EQ(copy.ids[4], 4u);
  EXPECT_EQ(source.idLength, 3u) << "the source is untouched";
  SnmpUtilOidFree(&copy);
  EXPECT_EQ(copy.idLength, 0u);
  EXPECT_EQ(copy.ids, nullptr);
  AsnObjectIdentifier empty{0, nullptr};
  AsnObjectIdentifier emptyCopy{};
  EXPECT_EQ(SnmpUtilOidCpy(&emptyCopy, &empty), SNMPAPI_NOERROR);
  EXPECT_EQ(emptyCopy.idLength, 0u);
  SnmpUtilOidFree(&emptyCopy);
  SnmpUtilOidFree(&source);
  SnmpUtilOidFree(&tail);
}

TEST(SnmpApi, AZeroLengthBlockIsStillABlockAndBlocksGrow) {
  auto* bytes = static_cast<unsigned char*>(SnmpUtilMemAlloc(4));
  ASSERT_NE(bytes, nullptr);
  std::memcpy(bytes, "abc", 4);
  bytes = static_cast<unsigned char*>(SnmpUtilMemReAlloc(bytes, 4096));
  ASSERT_NE(bytes, nullptr);
  EXPECT_STREQ(reinterpret_cast<char*>(bytes), "abc") << "kept by the reallocation";
  SnmpUtilMemFree(bytes);
  void* none = SnmpUtilMemAlloc(0);
  EXPECT_NE(none, nullptr);
  SnmpUtilMemFree(none);
}

TEST(SnmpApi, ABindingListIsFreedWithItsDynamicValues) {
  SnmpVarBindList list{static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(2 * sizeof(SnmpVarBind))), 2};
  std::memset(list.list, 0, 2 * sizeof(SnmpVarBind));
  list.list[0].name = Make({1, 3});
  list.list[0].value.asnType = ASN_OCTETSTRING;
  auto* text = static_cast<BYTE*>(SnmpUtilMemAlloc(4));
  std::memcpy(text, "abc", 4);
  list.list[0].value.asnValue.string = {text, 3, TRUE};
  list.list[1].name = Make({1, 4});
  list.list[1].value.asnType = ASN_INTEGER;
  list.list[1].value.asnValue.number = 5;
  SnmpUtilVarBindListFree(&list);  // a leak or double free shows under the sanitizers
  EXPECT_EQ(list.len, 0u);
  EXPECT_EQ(list.list, nullptr);
}

}  // namespace
