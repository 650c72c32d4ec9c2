#include "refdata/CountryResolver.h"

#include <array>

#include "common/GbkText.h"
#include "common/TextCodec.h"

namespace {

// One row as written here: UTF-8 names, converted to GBK once.
struct Row {
  const char* alpha2;
  const char* alpha3;
  const char* numeric;
  const char* customs;
  int32_t phone;
  int32_t offset;
  const char8_t* chinese;
  const char* english;
};

// clang-format off
constexpr Row kRows[] = {
  {"AF", "AFG", "004", "101", 93, 450, u8"阿富汗", "Afghanistan"},
  {"AO", "AGO", "024", "202", 244, 100, u8"安哥拉", "Angola"},
  {"AL", "ALB", "008", "313", 355, 100, u8"阿尔巴尼亚", "Albania"},
  {"DZ", "DZA", "012", "201", 213, 100, u8"阿尔及利亚", "Algeria"},
  {"AD", "AND", "020", "314", 376, 100, u8"安道尔", "Andorra"},
  {"AI", "AIA", "660", "000", 1264, -400, u8"安圭拉", "Anguilla"},
  {"AG", "ATG", "028", "401", 1268, -400, u8"安提瓜和巴布达", "Antigua and Barbuda"},
  {"AR", "ARG", "032", "402", 54, -300, u8"阿根廷", "Argentina"},
  {"AM", "ARM", "051", "338", 374, 400, u8"亚美尼亚", "Armenia"},
  {"AU", "AUS", "036", "601", 61, 1000, u8"澳大利亚", "Australia"},
  {"AT", "AUT", "040", "315", 43, 100, u8"奥地利", "Austria"},
  {"AZ", "AZE", "031", "339", 994, 400, u8"阿塞拜疆", "Azerbaijan"},
  {"BS", "BHS", "044", "404", 1242, -500, u8"巴哈马", "Bahamas"},
  {"BH", "BHR", "048", "102", 973, 300, u8"巴林", "Bahrain"},
  {"BD", "BGD", "050", "103", 880, 600, u8"孟加拉国", "Bangladesh"},
  {"BB", "BRB", "052", "405", 1246, -400, u8"巴巴多斯", "Barbados"},
  {"BY", "BLR", "112", "340", 375, 300, u8"白俄罗斯", "Belarus"},
  {"BE", "BEL", "056", "301", 32, 100, u8"比利时", "Belgium"},
  {"BZ", "BLZ", "084", "406", 501, -600, u8"伯利兹", "Belize"},
  {"BJ", "BEN", "204", "203", 229, 100, u8"贝宁", "Benin"},
  {"BM", "BMU", "060", "504", 1441, -400, u8"百慕大群岛", "Bermuda"},
  {"BO", "BOL", "068", "408", 591, -400, u8"玻利维亚", "Bolivia"},
  {"BT", "BTN", "064", "104", 975, 600, u8"不丹", "Bhutan"},
  {"BA", "BIH", "070", "355", 387, 100, u8"波斯尼亚和黑塞哥维那", "Bosnia and Herzegovina"},
  {"BW", "BWA", "072", "204", 267, 200, u8"博茨瓦纳", "Botswana"},
  {"BR", "BRA", "076", "410", 55, -300, u8"巴西", "Brazil"},
  {"BN", "BRN", "096", "105", 673, 800, u8"文莱", "Brunei"},
  {"BG", "BGR", "100", "316", 359, 200, u8"保加利亚", "Bulgaria"},
  {"BF", "BFA", "854", "251", 226, 0, u8"布基纳法索", "Burkina Faso"},
  {"MM", "MDL", "104", "106", 95, 670, u8"缅甸", "Myanmar"},
  {"BI", "BDI", "108", "205", 257, 200, u8"布隆迪", "Burundi"},
  {"CM", "CMR", "120", "206", 237, 100, u8"喀麦隆", "Cameroon"},
  {"CA", "CAN", "124", "501", 1, -500, u8"加拿大", "Canada"},
  {"KY", "CYM", "136", "411", 1345, -500, u8"开曼群岛", "Cayman Islands"},
  {"CF", "CAF", "140", "209", 236, 100, u8"中非", "Central African Republic"},
  {"TD", "TCD", "148", "211", 235, 100, u8"乍得", "Chad"},
  {"CL", "CHL", "152", "412", 56, -400, u8"智利", "Chile"},
  {"CN", "CHN", "156", "142", 86, 800, u8"中国", "China"},
  {"CO", "COL", "170", "413", 57, -500, u8"哥伦比亚", "Colombia"},
  {"CG", "COG", "178", "213", 242, 100, u8"刚果", "Congo"},
  {"CK", "COK", "184", "602", 682, -1000, u8"库克群岛", "Cook Islands"},
  {"CR", "CRI", "188", "415", 506, -600, u8"哥斯达黎加", "Costa Rica"},
  {"HR", "HRV", "191", "351", 385, 100, u8"克罗地亚", "Croatia"},
  {"CU", "CUB", "192", "416", 53, -500, u8"古巴", "Cuba"},
  {"CY", "CYP", "196", "108", 357, 200, u8"塞浦路斯", "Cyprus"},
  {"CZ", "CZE", "203", "352", 420, 100, u8"捷克", "Czech Republic"},
  {"DK", "DNK", "208", "302", 45, 100, u8"丹麦", "Denmark"},
  {"DJ", "DJI", "262", "214", 253, 300, u8"吉布提", "Djibouti"},
  {"DM", "DMA", "212", "414", 1767, -400, u8"多米尼克", "Dominica"},
  {"DO", "DOM", "214", "418", 1809, -400, u8"多米尼加", "Dominican Republic"},
  {"EC", "ECU", "218", "419", 593, -500, u8"厄瓜多尔", "Ecuador"},
  {"EG", "EGY", "818", "215", 20, 200, u8"埃及", "Egypt"},
  {"SV", "SLV", "222", "440", 503, -600, u8"萨尔瓦多", "El Salvador"},
  {"GQ", "GNQ", "226", "216", 240, 100, u8"赤道几内亚", "Equatorial Guinea"},
  {"ER", "ERI", "232", "258", 291, 300, u8"厄立特里亚", "Eritrea"},
  {"EE", "EST", "233", "334", 372, 200, u8"爱沙尼亚", "Estonia"},
  {"ET", "ETH", "231", "217", 251, 300, u8"埃塞俄比亚", "Ethiopia"},
  {"FO", "FRO", "234", "357", 298, 0, u8"法罗群岛", "Faroe Islands"},
  {"FJ", "FJI", "242", "603", 679, 1200, u8"斐济", "Fiji"},
  {"FI", "FIN", "246", "318", 358, 200, u8"芬兰", "Finland"},
  {"FR", "FRA", "250", "305", 33, 100, u8"法国", "France"},
  {"GF", "GUF", "254", "420", 594, -300, u8"法属圭亚那", "French Guiana"},
  {"GA", "GAB", "266", "218", 241, 100, u8"加蓬", "Gabon"},
  {"GM", "GMB", "270", "219", 220, 0, u8"冈比亚", "Gambia"},
  {"GE", "GEO", "268", "337", 995, 400, u8"格鲁吉亚", "Georgia"},
  {"DE", "DEU", "276", "304", 49, 100, u8"德国", "Germany"},
  {"GH", "GHA", "288", "220", 233, 0, u8"加纳", "Ghana"},
  {"GI", "GIB", "292", "320", 350, 100, u8"直布罗陀", "Gibraltar"},
  {"GB", "GBR", "826", "303", 44, 0, u8"英国", "United Kingdom"},
  {"GR", "GRC", "300", "310", 30, 200, u8"希腊", "Greece"},
  {"GL", "GRL", "304", "503", 299, -300, u8"格陵兰", "Greenland"},
  {"GD", "GRD", "308", "421", 1473, -400, u8"格林纳达", "Grenada"},
  {"GU", "GUM", "316", "000", 1671, 1000, u8"关岛", "Guam"},
  {"GP", "GLP", "312", "422", 590, -400, u8"瓜德罗普", "Guadeloupe"},
  {"GT", "GTM", "320", "423", 502, -600, u8"危地马拉", "Guatemala"},
  {"GG", "GGY", "831", "000", 44, 0, u8"根西岛", "Guernsey"},
  {"GN", "GIN", "324", "221", 224, 0, u8"几内亚", "Guinea"},
  {"GW", "GNB", "624", "222", 245, 0, u8"几内亚比绍", "Guinea-Bissau"},
  {"GY", "GUY", "328", "424", 592, -400, u8"圭亚那", "Guyana"},
  {"HT", "HTI", "332", "425", 509, -500, u8"海地", "Haiti"},
  {"HN", "HND", "340", "426", 504, -600, u8"洪都拉斯", "Honduras"},
  {"HK", "HKG", "156", "110", 852, 800, u8"香港", "Hong Kong"},
  {"HU", "HUN", "348", "321", 36, 100, u8"匈牙利", "Hungary"},
  {"IS", "ISL", "352", "322", 354, 0, u8"冰岛", "Iceland"},
  {"ID", "IDN", "360", "112", 62, 700, u8"印度尼西亚", "Indonesia"},
  {"IN", "IND", "356", "111", 91, 550, u8"印度", "India"},
  {"IR", "IRN", "364", "113", 98, 350, u8"伊朗", "Iran"},
  {"IQ", "IRQ", "368", "114", 964, 300, u8"伊拉克", "Iraq"},
  {"IE", "IRL", "372", "306", 353, 0, u8"爱尔兰", "Ireland"},
  {"IM", "IMN", "833", "000", 44, 0, u8"马恩岛", "Isle of Man"},
  {"IL", "ISR", "376", "115", 972, 200, u8"以色列", "Israel"},
  {"IT", "ITA", "380", "307", 39, 100, u8"意大利", "Italy"},
  {"CI", "CIV", "384", "223", 225, 0, u8"科特迪瓦", "Cote d'Ivoire"},
  {"JM", "JAM", "388", "427", 1876, -500, u8"牙买加", "Jamaica"},
  {"JP", "JPN", "392", "116", 81, 900, u8"日本", "Japan"},
  {"JO", "JOR", "400", "117", 962, 300, u8"约旦", "Jordan"},
  {"KH", "KHM", "116", "107", 855, 700, u8"柬埔寨", "Cambodia"},
  {"KZ", "KAZ", "398", "145", 7, 600, u8"哈萨克斯坦", "Kazakhstan"},
  {"KE", "KEN", "404", "224", 254, 300, u8"肯尼亚", "Kenya"},
  {"KI", "KIR", "296", "618", 686, 1200, u8"基里巴斯", "Kiribati"},
  {"KP", "PRK", "408", "109", 850, 900, u8"朝鲜", "North Korea"},
  {"KR", "KOR", "410", "133", 82, 900, u8"韩国", "South Korea"},
  {"KW", "KWT", "414", "118", 965, 300, u8"科威特", "Kuwait"},
  {"KG", "KGZ", "417", "146", 996, 600, u8"吉尔吉斯", "Kyrgyz Republic"},
  {"LA", "LAO", "418", "119", 856, 700, u8"老挝", "Laos"},
  {"LV", "LVA", "428", "335", 371, 200, u8"拉脱维亚", "Latvia"},
  {"LB", "LBN", "422", "120", 961, 200, u8"黎巴嫩", "Lebanon"},
  {"LS", "LSO", "426", "255", 266, 200, u8"莱索托", "Lesotho"},
  {"LR", "LBR", "430", "225", 231, 0, u8"利比里亚", "Liberia"},
  {"LY", "LBY", "434", "226", 218, 200, u8"利比亚", "Libya"},
  {"LI", "LIE", "438", "323", 423, 100, u8"列支敦士登", "Liechtenstein"},
  {"LT", "LTU", "440", "336", 370, 200, u8"立陶宛", "Lithuania"},
  {"LU", "LUX", "442", "308", 352, 100, u8"卢森堡", "Luxembourg"},
  {"MO", "MAC", "446", "121", 853, 800, u8"澳门", "Macao"},
  {"MK", "MKD", "807", "354", 99999, 100, u8"马其顿", "Macedonia"},
  {"MG", "MDG", "450", "227", 261, 300, u8"马达加斯加", "Madagascar"},
  {"MW", "MWI", "454", "228", 265, 200, u8"马拉维", "Malawi"},
  {"MY", "MYS", "458", "122", 60, 800, u8"马来西亚", "Malaysia"},
  {"MV", "MDV", "462", "123", 960, 500, u8"马尔代夫", "Maldives"},
  {"ML", "MLI", "466", "229", 223, 0, u8"马里", "Mali"},
  {"MT", "MLT", "470", "324", 356, 100, u8"马耳他", "Malta"},
  {"MH", "MHL", "584", "621", 692, 1200, u8"马绍尔", "Marshall Islands"},
  {"MQ", "MTQ", "474", "428", 596, -400, u8"马提尼克", "Martinique"},
  {"MR", "MRT", "478", "230", 222, 0, u8"毛里塔尼亚", "Mauritania"},
  {"MU", "MUS", "480", "231", 230, 400, u8"毛里求斯", "Mauritius"},
  {"YT", "MYT", "175", "259", 262, 300, u8"马约特", "Mayotte"},
  {"MX", "MEX", "484", "429", 52, -600, u8"墨西哥", "Mexico"},
  {"FM", "FSM", "583", "620", 691, 1000, u8"密克罗尼西亚", "Micronesia"},
  {"MD", "MDA", "498", "343", 373, 200, u8"摩尔多瓦", "Moldova"},
  {"MC", "MCO", "492", "325", 377, 100, u8"摩纳哥", "Monaco"},
  {"MN", "MNG", "496", "124", 976, 800, u8"蒙古", "Mongolia"},
  {"ME", "MNE", "499", "359", 382, 100, u8"黑山", "Montenegro"},
  {"MS", "MSR", "500", "430", 1664, -400, u8"蒙特塞拉特", "Montserrat"},
  {"MA", "MAR", "504", "232", 212, 0, u8"摩洛哥", "Morocco"},
  {"MZ", "MOZ", "508", "233", 258, 200, u8"莫桑比克", "Mozambique"},
  {"NA", "NAM", "516", "234", 264, 200, u8"纳米比亚", "Namibia"},
  {"NR", "NRU", "520", "606", 674, 1200, u8"瑙鲁", "Nauru"},
  {"NP", "NPL", "524", "125", 977, 575, u8"尼泊尔", "Nepal"},
  {"NL", "NLD", "528", "309", 31, 100, u8"荷兰", "Netherlands"},
  {"AN", "ANT", "530", "449", 599, -400, u8"荷属安的列斯", "Netherlands Antilles"},
  {"NC", "NCL", "540", "607", 687, 1100, u8"新喀里多尼亚", "New Caledonia"},
  {"NZ", "NZL", "554", "609", 64, 1200, u8"新西兰", "New Zealand"},
  {"NI", "NIC", "558", "431", 505, -600, u8"尼加拉瓜", "Nicaragua"},
  {"NG", "NGA", "566", "236", 234, 100, u8"尼日利亚", "Nigeria"},
  {"NE", "NER", "562", "235", 227, 100, u8"尼日尔", "Niger"},
  {"NU", "NIU", "570", "000", 683, -1100, u8"纽埃", "Niue"},
  {"NF", "NFK", "574", "610", 672, 1100, u8"诺福克岛", "Norfolk Island"},
  {"MP", "MNP", "580", "000", 1670, 1000, u8"北马里亚纳群岛", "Northern Mariana Islands"},
  {"NO", "NOR", "578", "326", 47, 100, u8"挪威", "Norway"},
  {"OM", "OMN", "512", "126", 968, 400, u8"阿曼", "Oman"},
  {"PK", "PAK", "586", "127", 92, 500, u8"巴基斯坦", "Pakistan"},
  {"PW", "PLW", "585", "622", 680, 900, u8"帕劳", "Palau"},
  {"PS", "PSE", "275", "128", 970, 200, u8"巴勒斯坦", "Palestine"},
  {"PA", "PAN", "591", "432", 507, -500, u8"巴拿马", "Panama"},
  {"PG", "PNG", "598", "611", 675, 1000, u8"巴布亚新几内亚", "Papua New Guinea"},
  {"PY", "PRY", "600", "433", 595, -400, u8"巴拉圭", "Paraguay"},
  {"PE", "PER", "604", "434", 51, -500, u8"秘鲁", "Peru"},
  {"PH", "PHL", "608", "129", 63, 800, u8"菲律宾", "Philippines"},
  {"PL", "POL", "616", "327", 48, 100, u8"波兰", "Poland"},
  {"PF", "PYF", "258", "623", 689, -1000, u8"法属波利尼西亚", "French Polynesia"},
  {"PT", "PRT", "620", "311", 351, 0, u8"葡萄牙", "Portugal"},
  {"PR", "PRI", "630", "435", 1787, -400, u8"波多黎各", "Puerto Rico"},
  {"QA", "QAT", "634", "130", 974, 300, u8"卡塔尔", "Qatar"},
  {"RE", "REU", "638", "237", 262, 400, u8"留尼汪", "Reunion"},
  {"RO", "ROU", "642", "328", 40, 200, u8"罗马尼亚", "Romania"},
  {"RU", "RUS", "643", "344", 7, 300, u8"俄罗斯联邦", "Russia"},
  {"RW", "RWA", "646", "238", 250, 200, u8"卢旺达", "Rwanda"},
  {"SH", "SHN", "654", "000", 290, 0, u8"圣赫勒拿", "Saint Helena"},
  {"KN", "KNA", "659", "447", 1869, -400, u8"圣基茨和尼维斯", "Saint Kitts and Nevis"},
  {"LC", "LCA", "662", "437", 1758, -400, u8"圣卢西亚", "Saint Lucia"},
  {"PM", "SPM", "666", "448", 508, -300, u8"圣皮埃尔和密克隆群岛", "Saint Pierre and Miquelon"},
  {"VC", "VCT", "670", "439", 1784, -400, u8"圣文森特和格林纳丁斯", "Saint Vincent and the Grenadines"},
  {"WS", "WSM", "882", "617", 685, 1300, u8"萨摩亚", "Samoa"},
  {"SM", "SMR", "674", "329", 378, 100, u8"圣马力诺", "San Marino"},
  {"ST", "STP", "678", "239", 239, 0, u8"圣多美和普林西比", "Sao Tome and Principe"},
  {"SA", "SAU", "682", "131", 966, 300, u8"沙特阿拉伯", "Saudi Arabia"},
  {"SN", "SEN", "686", "240", 221, 0, u8"塞内加尔", "Senegal"},
  {"RS", "SRB", "688", "358", 381, 100, u8"塞尔维亚", "Serbia"},
  {"SC", "SYC", "690", "241", 248, 400, u8"塞舌尔", "Seychelles"},
  {"SL", "SLE", "694", "242", 232, 0, u8"塞拉利昂", "Sierra Leone"},
  {"SG", "SGP", "702", "132", 65, 800, u8"新加坡", "Singapore"},
  {"SK", "SVK", "703", "353", 421, 100, u8"斯洛伐克", "Slovakia"},
  {"SI", "SVN", "705", "350", 386, 100, u8"斯洛文尼亚", "Slovenia"},
  {"SB", "SLB", "090", "613", 677, 1100, u8"所罗门群岛", "Solomon Islands"},
  {"SO", "SOM", "706", "243", 252, 300, u8"索马里", "Somalia"},
  {"ZA", "ZAF", "710", "244", 27, 200, u8"南非", "South Africa"},
  {"GS", "SGS", "239", "000", 500, -200, u8"南乔治亚和南桑威奇群岛", "South Georgia and the South Sandwich Islands"},
  {"ES", "ESP", "724", "312", 34, 100, u8"西班牙", "Spain"},
  {"LK", "LKA", "144", "134", 94, 550, u8"斯里兰卡", "Sri Lanka"},
  {"SD", "SDN", "729", "246", 249, 200, u8"苏丹", "Sudan"},
  {"SR", "SUR", "740", "441", 597, -300, u8"苏里南", "Suriname"},
  {"SJ", "SJM", "744", "000", 47, 100, u8"斯瓦尔巴和扬马延", "Svalbard and Jan Mayen"},
  {"SZ", "SWZ", "748", "257", 268, 200, u8"斯威士兰", "Swaziland"},
  {"SE", "SWE", "752", "330", 46, 100, u8"瑞典", "Sweden"},
  {"CH", "CHE", "756", "331", 41, 100, u8"瑞士", "Switzerland"},
  {"SY", "SYR", "760", "135", 963, 200, u8"叙利亚", "Syria"},
  {"TW", "TWN", "158", "143", 886, 800, u8"台湾", "Taiwan"},
  {"TJ", "TJK", "762", "147", 992, 500, u8"塔吉克斯坦", "Tajikistan"},
  {"TZ", "TZA", "834", "247", 255, 300, u8"坦桑尼亚", "Tanzania"},
  {"TH", "THA", "764", "136", 66, 700, u8"泰国", "Thailand"},
  {"TL", "TLS", "626", "144", 670, 900, u8"东帝汶", "Timor-Leste"},
  {"TG", "TGO", "768", "248", 228, 0, u8"多哥", "Togo"},
  {"TK", "TKL", "772", "000", 690, 1300, u8"托克劳", "Tokelau"},
  {"TO", "TON", "776", "614", 676, 1300, u8"汤加", "Tonga"},
  {"TT", "TTO", "780", "442", 1868, -400, u8"特立尼达和多巴哥", "Trinidad and Tobago"},
  {"TN", "TUN", "788", "249", 216, 100, u8"突尼斯", "Tunisia"},
  {"TR", "TUR", "792", "137", 90, 300, u8"土耳其", "Turkey"},
  {"TM", "TKM", "795", "148", 993, 500, u8"土库曼斯坦", "Turkmenistan"},
  {"TC", "TCA", "796", "443", 1649, -500, u8"特克斯和凯科斯群岛", "Turks and Caicos Islands"},
  {"TV", "TUV", "798", "619", 688, 1200, u8"图瓦卢", "Tuvalu"},
  {"UG", "UGA", "800", "250", 256, 300, u8"乌干达", "Uganda"},
  {"UA", "UKR", "804", "347", 380, 200, u8"乌克兰", "Ukraine"},
  {"AE", "ARE", "784", "138", 971, 400, u8"阿拉伯联合酋长国", "United Arab Emirates"},
  {"US", "USA", "581", "502", 1, -500, u8"美国", "United States"},
  {"UY", "URY", "858", "444", 598, -300, u8"乌拉圭", "Uruguay"},
  {"UZ", "UZB", "860", "149", 998, 500, u8"乌兹别克斯坦", "Uzbekistan"},
  {"VU", "VUT", "548", "608", 678, 1100, u8"瓦努阿图", "Vanuatu"},
  {"VA", "VAT", "336", "356", 39, 100, u8"梵蒂冈", "Vatican City"},
  {"VE", "VEN", "862", "445", 58, -400, u8"委内瑞拉", "Venezuela"},
  {"VN", "VNM", "704", "141", 84, 700, u8"越南", "Vietnam"},
  {"VG", "VGB", "092", "446", 1284, -400, u8"英属维尔京群岛", "British Virgin Islands"},
  {"VI", "VIR", "850", "000", 1340, -400, u8"美属维尔京群岛", "US Virgin Islands"},
  {"WF", "WLF", "876", "625", 681, 1200, u8"瓦利斯和富图纳", "Wallis and Futuna"},
  {"EH", "ESH", "732", "245", 212, 0, u8"西撒哈拉", "Western Sahara"},
  {"YE", "YEM", "887", "139", 967, 300, u8"也门", "Yemen"},
  {"ZW", "ZWE", "716", "254", 243, 100, u8"津巴布韦", "Zimbabwe"},
  {"CD", "COD", "180", "252", 243, 100, u8"刚果(金)", "Democratic Republic of the Congo"},
  {"ZM", "ZMB", "894", "253", 260, 200, u8"赞比亚", "Zambia"},
  {"AW", "AWX", "533", "403", 297, -400, u8"阿鲁巴", "Aruba"},
  {"BW", "BWX", "072", "000", 267, 200, u8"博茨瓦那", "Botswana"},
  {"TP", "TPX", "000", "000", 99999, -1000, u8"大溪地", "Tahiti"},
  {"PF", "PYF", "258", "623", 689, -1000, u8"法属玻利尼西亚", "French Polynesia"},
  {"FK", "FKX", "238", "000", 500, -300, u8"福克兰群岛", "Falkland Islands"},
  {"KG", "KGX", "417", "000", 996, 500, u8"吉尔吉斯斯坦", "Kyrgyzstan"},
  {"KM", "KMX", "174", "212", 269, 300, u8"科摩罗", "Comoros"},
  {"MH", "MHX", "584", "000", 692, 1200, u8"马绍尔群岛", "Marshall Islands"},
  {"MS", "MSX", "000", "000", 99999, 0, u8"蒙特塞拉岛", "Montserrado"},
  {"SP", "SPX", "000", "000", 167, 900, u8"塞班岛", "Saipan"},
  {"JE", "JEX", "832", "000", 44, 0, u8"泽西岛", "Jersey"},
  {"CV", "CPV", "132", "208", 238, -100, u8"佛得角", "Cape Verde"},
  {"AS", "ASM", "016", "000", 1684, -1100, u8"美属萨摩亚", "American Samoa"},
  {"XS", "SOL", "706", "243", 252, 300, u8"索马里兰", "Somaliland"},
  {"SS", "SSD", "000", "000", 211, 300, u8"南苏丹", "South Sudan"},
  {"XK", "KOS", "000", "000", 383, 100, u8"科索沃", "Kosovo"},
  {"CW", "CUW", "000", "000", 599, -400, u8"库拉索", "Curacao"},
  {"IC", "XAX", "207", "000", 34, -100, u8"加那利群岛", "Canary Islands"},
};
// clang-format on

std::string Gbk(const char8_t* utf8) {
  std::string text(reinterpret_cast<const char*>(utf8));
  GbkFromUtf8InPlace(text, false, false);
  return text;
}

// The Chinese provinces, municipalities and autonomous regions.
const std::vector<std::string>& Provinces() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const char8_t* name :
         {u8"安徽", u8"福建", u8"甘肃", u8"广东", u8"广西", u8"贵州", u8"海南", u8"河北",
          u8"河南", u8"黑龙江", u8"湖北", u8"湖南", u8"吉林", u8"江苏", u8"江西", u8"辽宁",
          u8"内蒙古", u8"宁夏", u8"青海", u8"山东", u8"山西", u8"陕西", u8"四川", u8"西藏",
          u8"新疆", u8"云南", u8"浙江", u8"重庆", u8"北京", u8"天津", u8"上海"}) {
      out.push_back(Gbk(name));
    }
    return out;
  }();
  return names;
}

bool Contains(std::string_view text, std::string_view pattern) {
  return GbkFindNoCase(text, pattern) != std::string_view::npos;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && GbkCompareNoCase(a, b) == 0;
}

// The last `n` bytes of the text, starting on a character boundary (a
// double-byte character that straddles the cut is left out); the whole text
// when it is shorter.
std::string_view Tail(std::string_view text, size_t n) {
  if (text.size() <= n) return text;
  size_t cut = text.size() - n;
  size_t i = 0;
  while (i < cut) i += IsGbkLead(text[i]) && i + 1 < text.size() ? 2 : 1;
  return text.substr(i);
}

// A country that is named by its codes, a Chinese prefix or an English name
// near the end of the text.
struct NamedCountry {
  const char* alpha2;
  const char* alpha3;
  std::vector<std::string> chinesePrefixes;
  size_t minimumLength;  // the tail is searched in texts at least this long
  size_t tail;
  std::vector<std::string_view> englishNames;
};

const std::vector<NamedCountry>& NamedCountries() {
  static const std::vector<NamedCountry> named = {
      {"US", "USA", {Gbk(u8"美国")}, 7, 13, {"United States", "America"}},
      {"GB", "GBR", {Gbk(u8"英国")}, 7, 14, {"Britain", "England", "United Kingdom"}},
      {"DE", "DEU", {Gbk(u8"德国")}, 7, 11, {"Germany", "Deutschland"}},
      {"AU", "AUS", {Gbk(u8"澳洲"), Gbk(u8"澳大利亚")}, 9, 9, {"Australia"}},
  };
  return named;
}

bool Names(const NamedCountry& c, std::string_view text) {
  if (text == c.alpha2 || text == c.alpha3) return true;
  for (const std::string& prefix : c.chinesePrefixes) {
    if (text.starts_with(prefix)) return true;
  }
  if (text.size() < c.minimumLength) return false;
  std::string_view tail = Tail(text, c.tail);
  for (std::string_view name : c.englishNames) {
    if (Contains(tail, name)) return true;
  }
  return false;
}

enum class Match { kEquals, kBegins, kContains };

// The fixed names that the table's own names do not catch.
struct FixedName {
  Match match;
  bool anyCase;
  std::string text;
  const char* alpha2;
};

const std::vector<FixedName>& FixedNames() {
  static const std::vector<FixedName> names = {
      {Match::kContains, false, Gbk(u8"白俄罗斯"), "BY"},
      {Match::kBegins, false, Gbk(u8"印尼"), "ID"},
      {Match::kBegins, false, Gbk(u8"沙特"), "SA"},
      {Match::kBegins, false, Gbk(u8"阿联酋"), "AE"},
      {Match::kBegins, false, Gbk(u8"俄罗斯"), "RU"},
      {Match::kBegins, false, Gbk(u8"梵蒂冈"), "VA"},
      {Match::kBegins, true, "Vatican", "VA"},
      {Match::kBegins, false, Gbk(u8"圣文森特"), "VC"},
      {Match::kEquals, false, Gbk(u8"扎伊尔"), "ZW"},
      {Match::kBegins, false, Gbk(u8"马尔维纳斯"), "FK"},
      {Match::kEquals, false, Gbk(u8"博茨瓦纳"), "BW"},
      {Match::kEquals, false, Gbk(u8"塞浦路斯"), "CY"},
      {Match::kBegins, false, Gbk(u8"安道尔"), "AD"},
      {Match::kEquals, false, Gbk(u8"吉尔吉斯坦"), "KG"},
      {Match::kEquals, false, Gbk(u8"圣普"), "ST"},
      {Match::kEquals, false, Gbk(u8"孟加拉"), "BD"},
      {Match::kEquals, false, Gbk(u8"斐济群岛"), "FJ"},
      {Match::kEquals, false, Gbk(u8"格陵兰岛"), "GL"},
      {Match::kEquals, false, Gbk(u8"百慕大"), "BM"},
      {Match::kEquals, false, Gbk(u8"博茨瓦那"), "BW"},
      {Match::kEquals, false, Gbk(u8"圣卢西亚岛"), "LC"},
      {Match::kEquals, false, Gbk(u8"圣皮埃尔和密克隆"), "PM"},
      {Match::kEquals, false, Gbk(u8"北马其顿"), "MK"},
      {Match::kEquals, true, "Burma", "MM"},
  };
  return names;
}

bool Matches(const FixedName& f, std::string_view text) {
  switch (f.match) {
    case Match::kEquals:
      return f.anyCase ? EqualsNoCase(text, f.text) : text == f.text;
    case Match::kBegins:
      return f.anyCase ? GbkStartsWithNoCase(text, f.text) : text.starts_with(f.text);
    case Match::kContains:
      return Contains(text, f.text);
  }
  return false;
}

// Whether the word at `at` (just after a blank) is `word`, ending at the end
// of the text or before a blank, comma or semicolon.
bool WordAt(std::string_view text, size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  if (GbkCompareNoCase(text.substr(at, word.size()), word) != 0) return false;
  size_t end = at + word.size();
  return end == text.size() || text[end] == ' ' || text[end] == ',' || text[end] == ';';
}

}  // namespace

const std::vector<CountryRecord>& CountryTable() {
  static const std::vector<CountryRecord> table = [] {
    std::vector<CountryRecord> rows;
    rows.reserve(std::size(kRows));
    for (const Row& r : kRows) {
      rows.push_back({r.alpha2, r.alpha3, r.numeric, r.customs, r.phone, r.offset, Gbk(r.chinese),
                      r.english});
    }
    return rows;
  }();
  return table;
}

const CountryRecord* FindCountryByCode(std::string_view code) {
  if (code.size() != 2) return nullptr;
  std::string upper(code);
  GbkUpper(upper);
  if (upper == "UK") upper = "GB";
  for (const CountryRecord& row : CountryTable()) {
    if (row.alpha2 == upper) return &row;
  }
  return nullptr;
}

const CountryRecord* FindCountryByCode3(std::string_view code) {
  if (code.size() != 3) return nullptr;
  std::string upper(code);
  GbkUpper(upper);
  for (const CountryRecord& row : CountryTable()) {
    if (row.alpha3 == upper) return &row;
  }
  return nullptr;
}

std::string NormalizeCountryText(std::string_view text) {
  constexpr size_t kLimit = 255;
  if (EqualsNoCase(text, "Great Britain") || EqualsNoCase(text, "England")) return Gbk(u8"英国");
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    bool afterBlank = i > 0 && text[i - 1] == ' ';
    if (afterBlank && WordAt(text, i, "Is.")) {
      out += "Islands";
      i += 3;
    } else if (afterBlank && WordAt(text, i, "Is")) {
      out += "Island";
      i += 2;
    } else {
      size_t n = IsGbkLead(text[i]) && i + 1 < text.size() ? 2 : 1;
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return GbkCopyN(out, kLimit);
}

const CountryRecord* ResolveCountry(std::string_view text, bool loose, std::string_view excluded) {
  // 1. Codes.
  if (text.empty() || text.size() >= 256) return nullptr;
  if (text.size() == 2) return FindCountryByCode(text);
  if (text.size() == 3) return FindCountryByCode3(text);

  // 2. Chinese addresses.
  if (excluded == "CN") {
    if (Contains(text, Gbk(u8"内蒙古"))) return nullptr;
  } else if (excluded.empty()) {
    if (Contains(text, Gbk(u8"中国"))) return FindCountryByCode("CN");
    for (const std::string& province : Provinces()) {
      if (Contains(text, province)) return FindCountryByCode("CN");
    }
  }

  // 3. Fixed names.
  for (const FixedName& f : FixedNames()) {
    if (Matches(f, text)) return FindCountryByCode(f.alpha2);
  }
  if (text.starts_with(Gbk(u8"索马里兰")) || Contains(text, "Somaliland")) {
    return FindCountryByCode3("SOL");
  }

  // 4. Countries named near the end of an address.
  for (const NamedCountry& c : NamedCountries()) {
    if (Names(c, text)) return FindCountryByCode(c.alpha2);
  }

  // 5. to 8. The table's names.
  const std::string name = NormalizeCountryText(text);
  const std::vector<CountryRecord>& table = CountryTable();
  for (const CountryRecord& row : table) {
    if (name == row.chinese || EqualsNoCase(name, row.english)) return &row;
  }
  for (const CountryRecord& row : table) {
    if (row.alpha2 == excluded) continue;
    if (name.starts_with(row.chinese) || GbkStartsWithNoCase(name, row.english)) return &row;
  }
  if (!loose || name.size() <= 3) return nullptr;
  for (const CountryRecord& row : table) {
    if (row.alpha2 == excluded) continue;
    if (GbkStartsWithNoCase(name, row.chinese) || Contains(name, row.english) ||
        Contains(row.chinese, name) || Contains(row.english, name)) {
      return &row;
    }
  }
  return nullptr;
}
