#include <algorithm>
#include <iterator>
#include <string_view>
#include <vector>

#include "platform/base/Text.h"
#include "scan/DeepScanExclusions.h"
#include "scan/SkipLists.h"

namespace {

// Words that mark system, security and vendor areas wherever they occur in a key path.
const wchar_t* const kWords[] = {
    L"security", L"update", L"admin", L"boot", L"kernel", L"drivers", L"repair", L"tracing", L"\\setup",
    L"\\environment", L"\\nav", L"google", L"yahoo", L"antivirus", L"anti-virus", L"antispyware", L"firewall",
    L"spyware", L"malware", L"virusscan", L"password", L"credential", L"licensing", L"\\activation",
    L"\\certificates", L"\\winlogon", L"\\lsa\\", L"\\sam\\", L"\\hardware\\", L"\\bootexecute",
};

// Areas of the operating system and its shell that programs must not clean.
const wchar_t* const kSystemAreas[] = {
    L"system\\currentcontrolset\\control", L"system\\currentcontrolset\\services", L"currentcontrolset\\enum",
    L"currentcontrolset\\hardware profiles", L"controlset001\\control", L"controlset001\\services",
    L"controlset001\\enum", L"controlset002\\", L"controlset003\\", L"system\\mounteddevices", L"system\\select",
    L"system\\wpa", L"system\\driverdatabase", L"software\\policies", L"software\\wow6432node\\policies",
    L"software\\microsoft\\windows nt\\currentversion\\aedebug", L"\\image file execution options\\",
    L"microsoft\\windows nt\\currentversion\\profilelist", L"microsoft\\windows nt\\currentversion\\svchost",
    L"microsoft\\windows nt\\currentversion\\drivers32", L"microsoft\\windows nt\\currentversion\\windows\\",
    L"microsoft\\windows nt\\currentversion\\ports", L"microsoft\\windows nt\\currentversion\\print",
    L"microsoft\\windows nt\\currentversion\\perflib", L"microsoft\\windows nt\\currentversion\\time zones",
    L"microsoft\\windows nt\\currentversion\\fontsubstitutes", L"microsoft\\windows nt\\currentversion\\fontlink",
    L"microsoft\\windows nt\\currentversion\\fontmapper", L"microsoft\\windows nt\\currentversion\\fontdpi",
    L"microsoft\\windows nt\\currentversion\\schedule", L"microsoft\\windows nt\\currentversion\\mci",
    L"microsoft\\windows nt\\currentversion\\userinstallable.drivers",
    L"microsoft\\windows nt\\currentversion\\terminal server", L"microsoft\\windows nt\\currentversion\\networklist",
    L"microsoft\\windows nt\\currentversion\\compatibility", L"microsoft\\windows nt\\currentversion\\ime",
    L"microsoft\\windows nt\\currentversion\\ole", L"microsoft\\windows nt\\currentversion\\type 1 installer",
    L"currentversion\\explorer\\volumecaches", L"currentversion\\explorer\\shell folders",
    L"currentversion\\explorer\\user shell folders", L"currentversion\\explorer\\shell icons",
    L"currentversion\\explorer\\desktop\\namespace", L"currentversion\\explorer\\mycomputer\\namespace",
    L"currentversion\\explorer\\controlpanel\\namespace", L"currentversion\\explorer\\shellexecutehooks",
    L"currentversion\\explorer\\autoplayhandlers", L"currentversion\\explorer\\bitbucket",
    L"currentversion\\explorer\\cd burning", L"currentversion\\explorer\\advanced",
    L"currentversion\\explorer\\streams", L"currentversion\\explorer\\sessioninfo",
    L"currentversion\\explorer\\visualeffects", L"currentversion\\explorer\\fileassociation",
    L"currentversion\\explorer\\hidedesktopicons", L"currentversion\\explorer\\taskband",
    L"currentversion\\internet settings", L"windows\\currentversion\\policies", L"windows\\currentversion\\winevt",
    L"windows\\currentversion\\wintrust", L"windows\\currentversion\\group policy",
    L"windows\\currentversion\\authentication", L"windows\\currentversion\\telephony",
    L"windows\\currentversion\\syncmgr", L"windows\\currentversion\\mmdevices", L"windows\\currentversion\\webcheck",
    L"windows\\currentversion\\setup", L"windows\\currentversion\\reinstall", L"windows\\currentversion\\unattend",
    L"windows\\currentversion\\wsman", L"windows\\currentversion\\netcache", L"windows\\currentversion\\hints",
    L"uninstall\\ie40", L"uninstall\\ie4data", L"uninstall\\ie5bakex", L"uninstall\\iemigrate",
    L"uninstall\\directdrawex", L"uninstall\\fontcore", L"uninstall\\mobileoptionpack", L"uninstall\\schedulingagent",
    L"uninstall\\connection manager", L"uninstall\\outlook express", L"uninstall\\wic", L"uninstall\\addressbook",
    L"microsoft\\cryptography\\oid", L"microsoft\\cryptography\\defaults", L"microsoft\\cryptography\\providers",
    L"software\\microsoft\\office", L"software\\microsoft\\ctf", L"mime\\database",
    L"\\installer\\win32assemblies\\global", L"software\\microsoft\\systemcertificates",
    L"software\\microsoft\\enterprisecertificates", L"software\\microsoft\\rpc", L"software\\microsoft\\ole\\",
    L"software\\microsoft\\com3", L"software\\microsoft\\dfs", L"software\\microsoft\\.netframework",
    L"software\\microsoft\\fusion", L"software\\microsoft\\net framework setup",
    L"software\\microsoft\\advanced inf setup", L"software\\microsoft\\wbem", L"software\\microsoft\\sqmclient",
    L"software\\microsoft\\driver signing", L"software\\microsoft\\non-driver signing", L"software\\microsoft\\vba",
    L"software\\microsoft\\visualstudio", L"software\\microsoft\\devdiv", L"software\\microsoft\\msbuild",
    L"software\\microsoft\\netsh", L"software\\microsoft\\ras ", L"software\\microsoft\\transaction server",
    L"software\\microsoft\\mmc\\snapins", L"software\\microsoft\\mmc\\nodetypes", L"software\\microsoft\\speech",
    L"software\\microsoft\\direct3d", L"software\\microsoft\\directdraw", L"software\\microsoft\\directx",
    L"software\\microsoft\\directinput", L"software\\microsoft\\dataaccess", L"software\\microsoft\\jet\\",
    L"software\\microsoft\\odbc", L"software\\microsoft\\wsdapi", L"software\\microsoft\\msmq",
    L"software\\microsoft\\windows search", L"software\\microsoft\\windows defender",
    L"software\\microsoft\\windows\\windows error reporting", L"software\\microsoft\\internet explorer\\main",
    L"software\\microsoft\\internet explorer\\toolbar", L"software\\microsoft\\internet explorer\\extensions",
    L"software\\microsoft\\internet explorer\\activex compatibility", L"software\\microsoft\\internet explorer\\low rights",
    L"software\\microsoft\\internet explorer\\searchscopes", L"software\\microsoft\\internet explorer\\protocols",
    L"software\\microsoft\\tabletip", L"software\\microsoft\\touchprediction", L"software\\microsoft\\inputpersonalization",
    L"software\\microsoft\\ncd", L"software\\microsoft\\wisp", L"software\\microsoft\\ime",
    L"software\\microsoft\\shared tools\\msconfig", L"software\\microsoft\\shared tools\\msinfo",
    L"software\\microsoft\\windows\\currentversion\\explorer\\browser helper objects",
    L"software\\microsoft\\windows\\currentversion\\shellcompatibility",
    L"software\\microsoft\\windows\\currentversion\\explorer\\startpage",
    L"software\\microsoft\\windows\\currentversion\\explorer\\wallpaper",
    L"software\\microsoft\\windows\\currentversion\\explorer\\discardable",
    L"software\\microsoft\\windows\\currentversion\\explorer\\cabinetstate",
    L"software\\microsoft\\windows\\currentversion\\explorer\\bags", L"software\\microsoft\\windows\\shell\\",
    L"software\\microsoft\\windows\\shellnoroam", L"software\\microsoft\\windows\\currentversion\\themes",
    L"software\\microsoft\\windows\\currentversion\\controls folder", L"software\\microsoft\\windows\\currentversion\\moduleusage",
    L"software\\microsoft\\windows\\currentversion\\sharedfolders",
    L"hardware\\description", L"hardware\\devicemap", L"hardware\\resourcemap", L"sam\\domains",
    L"control panel\\desktop", L"control panel\\international", L"control panel\\cursors", L"control panel\\mouse",
    L"control panel\\keyboard", L"control panel\\colors", L"control panel\\appearance", L"control panel\\accessibility",
    L"control panel\\input method", L"control panel\\powercfg", L"control panel\\sound", L"keyboard layout",
    L"\\printers\\", L"\\volatile environment", L"\\remoteaccess", L"\\network\\", L"\\session manager",
    L"\\console\\", L"\\windows messaging subsystem", L"\\componentcategories", L"\\component categories",
    // the prefix's own configuration of the compatibility layer the program runs on
    L"software\\wine\\",
};

// Security suites, device makers and other vendors whose registrations are left alone.
const wchar_t* const kVendors[] = {
    L"norton", L"symantec", L"mcafee", L"siteadvisor", L"kaspersky", L"f-secure", L"\\trendmicro", L"\\trend micro",
    L"\\avg\\", L"\\zonelabs", L"\\zone labs", L"intuit", L"quickbooks", L"incredimail", L"software\\lexmark",
    L"avast", L"avira", L"bitdefender", L"\\eset\\", L"\\sophos", L"\\panda software", L"\\panda security",
    L"\\agnitum", L"\\comodo", L"\\malwarebytes", L"\\spybot", L"\\lavasoft", L"\\webroot", L"\\sunbelt",
    L"\\g data", L"\\gdata", L"\\bullguard", L"\\grisoft", L"\\alwil", L"\\clamav", L"\\emsisoft", L"\\drweb",
    L"\\trusteer", L"\\check point", L"\\checkpoint", L"\\cisco", L"\\juniper", L"\\vmware", L"\\virtualbox",
    L"\\citrix", L"software\\hewlett-packard", L"software\\hp\\", L"software\\dell\\", L"software\\lenovo",
    L"software\\toshiba", L"software\\intel\\", L"software\\nvidia", L"software\\ati technologies",
    L"software\\amd\\", L"software\\realtek", L"software\\synaptics", L"software\\logitech",
    L"software\\creative tech", L"software\\canon", L"software\\epson", L"software\\brother",
    L"software\\apple computer", L"software\\apple inc", L"software\\sony", L"software\\samsung",
    L"software\\roxio", L"software\\sonic\\", L"software\\nero", L"software\\cyberlink", L"software\\infineon",
    L"software\\broadcom", L"software\\conexant", L"software\\atheros", L"software\\alps", L"software\\elantech",
    L"software\\wacom", L"software\\dts\\", L"software\\srs labs", L"software\\dolby", L"software\\ahnlab",
};

// File-type classes and programmatic identifiers of the system's own types.
const wchar_t* const kClasses[] = {
    L"htafile", L"batfile", L"cmdfile", L"comfile", L"exefile", L"jsfile", L"vbsfile", L"access.ole2link",
    L"jsefile", L"vbefile", L"wsffile", L"wshfile", L"piffile", L"scrfile", L"regfile", L"inffile", L"inifile",
    L"lnkfile", L"dllfile", L"sysfile", L"ocxfile", L"drvfile", L"cplfile", L"mscfile", L"msi.package",
    L"msi.patch", L"txtfile", L"htmlfile", L"mhtmlfile", L"xmlfile", L"themefile", L"internetshortcut",
    L"shell.application", L"scripting.filesystemobject", L"wscript.shell", L"wscript.network",
    L"\\http\\", L"\\https\\", L"\\ftp\\", L"\\mailto\\", L"\\news\\", L"\\nntp\\", L"\\telnet\\",
    L"\\ldap\\", L"\\callto\\", L"\\unknown\\", L"\\drive\\", L"\\folder\\", L"\\allfilesystemobjects",
};

// Value names that programs keep on purpose even after their target is gone.
const wchar_t* const kValueNames[] = {
    L"cachepath", L"installsource", L"uninstalldir", L"backupdir", L"varldid", L"delegateexecute",
    L"lastcheck", L"tempfolder", L"downloadfolder",
};

// Programs and libraries of the system and of widespread suites.
const wchar_t* const kProgramNames[] = {
    L"explorer.exe", L"iexplore.exe", L"winword.exe", L"outlook.exe", L"vmware.exe", L"excel.exe",
    L"powerpnt.exe", L"msaccess.exe", L"wmplayer.exe", L"mspaint.exe", L"notepad.exe", L"wordpad.exe",
    L"regedit.exe", L"cmd.exe", L"rundll32.exe", L"msiexec.exe", L"svchost.exe", L"lsass.exe", L"winlogon.exe",
    L"services.exe", L"csrss.exe", L"smss.exe", L"spoolsv.exe", L"taskmgr.exe", L"mmc.exe", L"control.exe",
    L"hh.exe", L"winhlp32.exe", L"dllhost.exe", L"userinit.exe", L"ctfmon.exe", L"conime.exe", L"wuauclt.exe",
    L"msconfig.exe", L"sndvol32.exe", L"sndrec32.exe", L"mplayer2.exe", L"moviemk.exe", L"msimn.exe", L"wab.exe",
    L"wabmig.exe", L"msnmsgr.exe", L"msmsgs.exe", L"wscript.exe", L"cscript.exe", L"powershell.exe",
    L"mshta.exe", L"dxdiag.exe", L"write.exe", L"shell32.dll", L"ole32.dll", L"oleaut32.dll", L"mshtml.dll",
    L"ieframe.dll", L"shdocvw.dll", L"urlmon.dll", L"wininet.dll", L"msxml3.dll", L"msxml6.dll", L"jscript.dll",
    L"vbscript.dll", L"scrrun.dll", L"quartz.dll", L"msi.dll", L"comctl32.dll", L"user32.dll", L"advapi32.dll",
    L"shlwapi.dll", L"actxprxy.dll", L"mscoree.dll", L"msvbvm60.dll", L"dao360.dll", L"msjet40.dll",
    L"oledb32.dll", L"msdasql.dll", L"wmp.dll", L"zipfldr.dll", L"cabview.dll", L"browseui.dll", L"mydocs.dll",
    L"netshell.dll", L"appwiz.cpl", L"desk.cpl", L"sysdm.cpl", L"inetcpl.cpl", L"mmsys.cpl", L"timedate.cpl",
    L"intl.cpl", L"main.cpl", L"ncpa.cpl", L"wscui.cpl", L"firewall.cpl", L"hdwwiz.cpl", L"powercfg.cpl",
};

// Extension keys of the types that run code or that the shell itself relies on.
const wchar_t* const kExtensions[] = {
    L"\\.exe", L"\\.lnk", L"\\.hta", L".eml", L"\\.bat", L"\\.cmd", L"\\.com\\", L"\\.pif", L"\\.scr",
    L"\\.js\\", L"\\.jse", L"\\.vbs", L"\\.vbe", L"\\.wsf", L"\\.wsh", L"\\.reg", L"\\.inf", L"\\.ini",
    L"\\.dll", L"\\.sys", L"\\.ocx", L"\\.cpl", L"\\.msc", L"\\.msi", L"\\.msp", L"\\.url", L"\\.htm",
    L"\\.mht", L"\\.xml", L"\\.txt", L"\\.zip", L"\\.cab", L"\\.chm", L"\\.hlp", L"\\.ico",
    L"\\.ani", L"\\.theme", L"\\.library-ms", L"\\.search-ms", L"\\.searchconnector-ms", L"\\.contact",
    L"\\.group", L"\\.wab", L"\\.nws", L"\\.cer", L"\\.crt", L"\\.pfx", L"\\.drv",
};

// Standard classes, interfaces and type libraries of the system.
const wchar_t* const kGuids[] = {
    L"{00021401-0000-0000-c000-000000000046}", L"{00000000-0000-0000-c000-000000000046}",
    L"{d27cdb70-ae6d-11cf-96b8-444553540000}", L"{645ff040-5081-101b-9f08-00aa002f954e}",
    L"{3050f4f8-98b5-11cf-bb82-00aa00bdce0b}", L"{d27cdb6e-ae6d-11cf-96b8-444553540000}",
    L"{00020400-0000-0000-c000-000000000046}", L"{00020424-0000-0000-c000-000000000046}",
    L"{00020420-0000-0000-c000-000000000046}", L"{00020430-0000-0000-c000-000000000046}",
    L"{00020813-0000-0000-c000-000000000046}", L"{00020905-0000-0000-c000-000000000046}",
    L"{000204ef-0000-0000-c000-000000000046}", L"{00000300-0000-0000-c000-000000000046}",
    L"{00000303-0000-0000-c000-000000000046}", L"{00000304-0000-0000-c000-000000000046}",
    L"{00000305-0000-0000-c000-000000000046}", L"{00000306-0000-0000-c000-000000000046}",
    L"{00000308-0000-0000-c000-000000000046}", L"{00000309-0000-0000-c000-000000000046}",
    L"{0000030b-0000-0000-c000-000000000046}", L"{00000315-0000-0000-c000-000000000046}",
    L"{00000316-0000-0000-c000-000000000046}", L"{00000319-0000-0000-c000-000000000046}",
    L"{0000031a-0000-0000-c000-000000000046}", L"{00000320-0000-0000-c000-000000000046}",
    L"{0002e005-0000-0000-c000-000000000046}", L"{0002df01-0000-0000-c000-000000000046}",
    L"{0003000c-0000-0000-c000-000000000046}", L"{00022602-0000-0000-c000-000000000046}",
    L"{20d04fe0-3aea-1069-a2d8-08002b30309d}", L"{208d2c60-3aea-1069-a2d7-08002b30309d}",
    L"{21ec2020-3aea-1069-a2dd-08002b30309d}", L"{2227a280-3aea-1069-a2de-08002b30309d}",
    L"{871c5380-42a0-1069-a2ea-08002b30309d}", L"{85bbd920-42a0-1069-a2e4-08002b30309d}",
    L"{25336920-03f9-11cf-8fd0-00aa00686f13}", L"{eab22ac3-30c1-11cf-a7eb-0000c05bae0b}",
    L"{eab22ac0-30c1-11cf-a7eb-0000c05bae0b}", L"{3050f1c5-98b5-11cf-bb82-00aa00bdce0b}",
    L"{05589fa1-c356-11ce-bf01-00aa0055595a}", L"{13709620-c279-11ce-a49e-444553540000}",
    L"{0d43fe01-f093-11cf-8940-00a0c9054228}", L"{ee09b103-97e0-11cf-978f-00a02463e06f}",
    L"{420b2830-e718-11cf-893d-00a0c9054228}", L"{72c24dd5-d70a-438b-8a42-98424b88afb8}",
    L"{9ba05972-f6a8-11cf-a442-00a0c90a8f39}", L"{f20da720-c02f-11ce-927b-0800095ae340}",
    L"{79eac9e0-baf9-11ce-8c82-00aa004ba90b}", L"{79eac9e2-baf9-11ce-8c82-00aa004ba90b}",
    L"{79eac9e3-baf9-11ce-8c82-00aa004ba90b}", L"{79eac9e4-baf9-11ce-8c82-00aa004ba90b}",
    L"{79eac9e5-baf9-11ce-8c82-00aa004ba90b}", L"{59031a47-3f72-44a7-89c5-5595fe6b30ee}",
    L"{031e4825-7b94-4dc3-b131-e946b44c8dd5}", L"{5399e694-6ce5-4d6c-8fce-1d8870fdcba0}",
    L"{26ee0668-a00a-44d7-9371-beb064c98683}", L"{f02c1a0d-be21-4350-88b0-7367fc96ef3c}",
    L"{4234d49b-0245-4df3-b780-3893943456e1}", L"{a8a91a66-3a7d-4424-8d24-04e180695c7a}",
};

// GUID parts shared by whole families of system classes.
const wchar_t* const kGuidFragments[] = {
    L"-11d0-", L"-11d1-", L"-11d2-", L"-11d3-", L"\\{e4b28371",
};

// Packed product codes of system components' installer registrations.
const wchar_t* const kPackedCodes[] = {
    L"4b7fc59380eb6514791eaea175f0ea77",
};

// Deep-scan fragments that name the very areas other categories examine, or words so short that they would
// hide whole categories: these stay out of the key skip list.
constexpr std::wstring_view kDeepScanOnly[] = {
    L"software\\classes\\.", L"software\\classes\\clsid", L"software\\classes\\applications",
    L"software\\classes\\local", L"software\\classes\\typelib", L"software\\classes\\interface",
    L"software\\microsoft\\windows\\currentversion\\app paths", L"microsoft\\windows\\currentversion\\app paths",
    L"microsoft\\windows\\help", L"microsoft\\windows nt\\currentversion\\fonts", L"microsoft\\windows\\html help",
    L"microsoft\\windows\\currentversion\\explorer\\fileexts", L"microsoft\\windows\\currentversion\\shareddlls",
    L"microsoft\\windows\\currentversion\\explorer\\menuorder\\start menu",
    L"microsoft\\windows\\currentversion\\explorer\\userassist", L"appevents\\schemes\\", L"\\open\\",
    L"\\directory\\", L"\\close\\", L"\\maximize\\", L"\\minimize\\", L"\\menucommand\\", L"\\menupopup\\",
    L"\\appgpfault\\", L"\\printcomplete.default\\", L"\\restoredown.default\\", L"\\restoreup.default\\",
    L"\\systemquestion.default\\", L"\\printcomplete", L"\\restoredown", L"\\restoreup", L"\\systemquestion",
    L"\\applets\\", L"\\find", L"\\store", L"\\asr", L"\\devices", L"\\handlers", L"\\views", L"\\zoom",
    L"\\client\\", L"\\secure", L"\\wow6432node",
};

template <size_t N>
void Append(std::vector<std::wstring>& list, const wchar_t* const (&entries)[N]) {
  list.insert(list.end(), std::begin(entries), std::end(entries));
}

std::vector<std::wstring> BuildKeySkipList() {
  std::vector<std::wstring> working;
  Append(working, kWords);
  Append(working, kSystemAreas);
  Append(working, kVendors);
  Append(working, kClasses);
  Append(working, kValueNames);
  Append(working, kProgramNames);
  Append(working, kExtensions);
  Append(working, kGuids);
  Append(working, kGuidFragments);
  Append(working, kPackedCodes);
  for (std::wstring_view entry : DeepScanExclusionList)
    if (std::find(std::begin(kDeepScanOnly), std::end(kDeepScanOnly), entry) == std::end(kDeepScanOnly))
      working.emplace_back(entry);
  return NormaliseSkipList(working);
}

}  // namespace

const std::vector<std::wstring>& KeySkipList() {
  static const std::vector<std::wstring> list = BuildKeySkipList();
  return list;
}

bool IsReportableKey(const std::wstring& keyPath) {
  static const SkipListMatcher matcher(KeySkipList());
  return !matcher.FoundInAnyCase(keyPath);
}
