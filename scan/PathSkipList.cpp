#include <vector>

#include "app/AppPaths.h"
#include "platform/base/Text.h"
#include "platform/fs/PathApi.h"
#include "scan/SkipLists.h"

namespace {

constexpr int kCsidlNetwork = 0x12;
constexpr int kCsidlNetHood = 0x13;

// Boot and hive files, logs, installers and uninstallers, and programs whose registrations outlive their
// files on purpose.
void AddProtectedFileNames(std::vector<std::wstring>& list) {
  static const wchar_t* const kNames[] = {
    L"ntldr", L"ntdetect.com", L"ntdll.dll", L"ntoskrnl.exe", L"svchost.exe", L"lsass.exe", L"services.exe",
    L"csrss.exe", L"smss.exe", L"boot.ini", L"bootsect.dos", L"io.sys", L"msdos.sys", L"command.com",
    L"config\\software", L"config\\system", L"ntuser.dat", L"ntuser.dat.log", L"ntuser.ini", L"explorer.exe",
    L"system.dat", L"user.dat", L"classes.dat", L"protocol.ini", L"win.ini", L"system.ini", L"win.com",
    L"program.ini", L"pagefile.sys", L"hiberfile.sys", L"config.sys", L"passwd.log", L"oakley.log", L"ssl.log",
    L"usrclass.dat", L"usrclass.dat.log", L"cleanup.log", L"userdiff.log", L"userdiff", L"tempkey.log",
    L"system.log", L"software.log", L"security.log", L"sam.log", L"default.log", L"sysevent.evt", L"appevent.evt",
    L"secevent.evt", L"\\security", L"\\.default", L"winnt32.log", L"extend.dat", L"scan.dat", L"index.dat",
    L"setup.exe", L"unwise.exe", L"install.log", L"uninstall.exe", L"uninstall.ini", L"uninstal.exe",
    L"uninstal.ini", L"unins000.exe", L"unins000.dat", L"unins001.exe", L"unins001.dat", L"unwise32.exe",
    L"data.bak", L".~nt", L"bootlog.prv", L"chklist.dll", L"chklist.exe", L"chklist.com", L"chklist.bat",
    L"chklist.txt", L"chklist.doc", L"edb.chk", L"data.sav", L"w95undo.ini", L"autoexec.bat", L".myd",
    L"control.ini", L".prn", L".met", L".slt", L".sbd", L"assemblyinfo", L"unins", L"mplay32.exe", L"misc.exe",
    L"pkmres.dll", L"nwiz.exe", L"mobsync.exe", L"onecare live", L"onecare protection", L"protection service",
    L"microsoft money", L"vpngui.exe", L"abbyy finereader", L"moh.exe", L"netwaiting", L"bvrp software", L"\\sdnt",
    L"\\sdhp", L"imfprint", L"\\imf32", L"\\usbmon", L"\\usbprint", L"\\hp", L"\\ibm", L"\\dell", L"\\acer",
    L"\\lenovo", L"\\toshiba", L"\\canon", L"\\panasonic", L"rundll32.exe", L"encarta", L"msworld6.exe",
    L"msenvmui.dll", L"windows mail", L"typing pal", L"\\ulead\\", L"\\corel\\", L"photoimpact", L"\\cyberlink",
    L"\\webroot", L"\\symantec shared", L"sevinst.exe", L"\\image-line\\", L"corel painter", L"\\progecad",
    L"\\adobe\\pagemaker", L"\\yahoo!\\", L"yinsth~1.dll", L"ashampoo\\ashampoo", L"\\microsoft shared\\",
    L"\\dynacom", L"\\zone labs\\", L"\\f-secure\\", L"\\grisoft\\", L"\\kaspersky lab\\", L"\\trend micro\\",
    L"\\panda security\\", L"\\panda software\\", L"\\mcafee\\", L"\\mcafee.com\\", L"\\bulletproofsoft\\",
    L"\\softwin\\", L"\\ca\\", L"\\norman\\", L"\\agnitum\\", L"\\bullguard software\\", L"\\cafecupplatinum\\",
    L"intuit", L"quickbook", L"turbotax", L"\\trillian\\plugins\\", L"advapi32.dll", L"windowspowershell",
    L"\\resumegrabber.exe", L"citrix", L"\\avg\\", L"\\ipod\\", L"\\microsoft small business\\",
    L"\\office accounting", L"\\business contact manager\\", L"\\hp\\digital imaging\\", L"\\google\\",
    L"\\microsoft.analysisservices", L"\\ria", L"\\thomson reuters", L"\\ria group", L"\\riagroup", L"axdb.dll",
    L"addwfpdkcommon.dll", L"addwfpdkeplotrenderer.dll", L"acmpolygoncom.dll", L"csp16.dll", L"cao16.dll",
    L"acscenecom.dll", L"acproject18.dll", L"wscommcntrui1.dll", L"acsmcomponents.dll", L"acinetui.dll",
    L"acstdstyle.dll", L"acstmgr.dll", L"acstlay.dll", L"acstltype.dll", L"acsttstyle.dll", L"adcomfolderwatch.dll",
    L"addwfpdkeplotcommon.dll", L"adftp.dll", L"aceditspinatl.dll", L"acetransmit.dll", L"autocad",
    L"featureentitycom.dll", L"diagengine.dll", L"gwsetransmit.dll", L"mgpsdfexportimport.dll", L"ppmapcontrols.dll",
    L"diagengineps.dll", L"actc.dll", L"windows6.0-kb952627-x86(1).msu", L"windows6.0-kb970203-x86.msu",
    L"x86fre_grmrsat_msu.msu", L"content.outlook", L"ntbackup.exe", L"layout.ini", L"ixp657.tmp", L"google",
    L"start menu\\programs\\administrative tools", L"start menu\\programs\\acces", L"start menu\\programs\\games",
    L"mscoree.dll", L"vcbrequestor.dll", L"ole2disp.dll", L"contentpackagesactivationhandler.exe", L"\\vmware\\",
    L"{4433f8fe-a2c6-4987-9c46-0d27bbd50921}", L"{d9d26565-b430-46ce-84fd-0545febc8ef9}", L"datastore.edb",
    L"registry.pol", L"ntuser.pol", L"\\grouppolicy\\", L"softwaredistribution\\datastore", L"\\sysvol\\sysvol",
    L"\\dhcp", L"\\dns", L"\\wins", L"\\sysvol\\staging", L"\\watchtower", L"\\ahnlab", L"vindictus", L"valve",
    L"sourcenext", L"\\bliss.bmp", L"\\dotnetframework\\", L"\\dotnetfx20\\", L"\\programdata\\oem\\links\\",
    L"\\f12appframe.dll\\",
  };
  list.insert(list.end(), std::begin(kNames), std::end(kNames));
  for (int csidl : {kCsidlNetwork, kCsidlNetHood}) {
    std::wstring folder;
    if (GetShellFolderPath(folder, csidl) && !folder.empty() && win::PathFileExists(folder.c_str()))
      list.push_back(folder);
  }
}

// System folders, caches and stores, and the folders of security suites, device vendors and other programs.
void AddFolderSkipFragments(std::vector<std::wstring>& list) {
  static const wchar_t* const kFragments[] = {
    L"\\safeit security", L"\\brother", L"\\lavasoft", L"\\pctools", L"\\webroot", L"\\zoombli", L"\\softwareonline",
    L"\\xeriton", L"\\connection wizard", L"\\downloaded program files", L"\\driver cache", L"\\lastgood",
    L"\\pchealth", L"\\prefatch", L"\\registeredpackages", L"\\offline web pages", L"\\repair", L"\\security",
    L"\\config.msi", L"\\program files\\microsoft office", L"\\microsoft office\\", L"\\system volume information",
    L"\\system32\\dllcache", L"program files\\uninstall information", L"\\sendto", L"\\i386", L"\\application data",
    L"\\quarantine", L"\\temporary internet files", L"ntuninstall", L"\\assembly", L"\\microsoft.net",
    L"\\installshield installation information", L"\\servicepackfiles", L"\\system32\\config", L"\\system32\\driver",
    L"\\inetpub", L"windows\\inf", L"winnt\\inf", L"\\asp.net_", L"\\asp.net", L".netframework", L"\\.net clr",
    L"\\options\\install", L"\\msocache", L"\\microsoft\\address", L"\\backup", L"\\identities\\{",
    L"\\opera7\\profile", L"\\opera7\\mail", L"\\opera\\profile", L"\\opera\\mail", L"\\winsxs",
    L"%windir%\\tracing", L"%windir%\\web", L"\\mcafee", L"mcafee.com", L"navw32", L"msocache",
    L"\\servicepackfiles\\", L"microsoft office", L"\\assembly\\", L"microsoft.net", L"\\syswow64\\config",
    L"\\syswow64\\driver", L"\\system\\driver", L".net clr", L"rundll32", L"incredimail", L"winhlp32", L"yahoo",
    L"msimn", L"symantec", L"norton", L"\\network associates\\", L"symevent", L"\\pki\\", L"\\laplink",
    L"\\visual studio 2005\\settings", L"\\intel\\wireless", L"\\openmg jukebox", L"\\personal audio driver",
    L"\\sonicstage", L"\\omgsetup", L"\\sony corporation", L"\\openmg secure module", L"\\wbemcomlocator",
    L"\\sonicext.tmp", L"\\sony", L"\\sony shared", L"kaspersky", L"newtech infosystems", L"\\nti",
    L"muvee technologies", L"zonelabs", L"zone labs", L"cisco", L"webroot", L"data fellows", L"datafellows",
    L"f-secure", L"microsoft p", L"microsoft d", L"ulead", L"\\bitdefender", L"abbyy finereader", L"\\ws_ftp",
    L"\\ad-aware", L"\\twain_32\\brm", L"\\twain_32\\brw", L"\\twain_32\\brs", L"\\twain_32\\brt", L"\\hewlett",
    L"\\limewire", L"\\fedex", L"encarta", L"\\nethood\\", L"\\printhood\\", L"brother\\", L"\\schcache\\", L"\\ria",
    L"\\thomson reuters", L"\\ria group", L"\\riagroup", L"\\oem links",
  };
  for (const wchar_t* fragment : kFragments) list.push_back(NormaliseSkipEntry(fragment));
}

std::vector<std::wstring> BuildPathSkipList() {
  std::vector<std::wstring> working;
  AddProtectedFileNames(working);
  AddFolderSkipFragments(working);
  return NormaliseSkipList(working);
}

}  // namespace

const std::vector<std::wstring>& PathSkipList() {
  static const std::vector<std::wstring> list = BuildPathSkipList();
  return list;
}

bool IsReportablePath(const std::wstring& path) {
  static const SkipListMatcher matcher(PathSkipList());
  return !matcher.FoundInAnyCase(path);
}
