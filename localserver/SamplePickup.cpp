// Sample data of the pickup dispatch and the courier messages: the message
// definitions file WeChat_Mess.txt (messaging enabled, a customer notice and
// a pickup dispatch notice), messenger OpenIDs of a customer and a courier,
// and recent pre-input pickup orders, without and with a courier.
#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

const char kDefinitions[] =
    "服务器=api.weixin.qq.com\r\n"
    "接口=/cgi-bin/message/template/send\r\n"
    "端口=443\r\n"
    "是SSL=1\r\n"
    "appid=wx0123456789abcdef\r\n"
    "secret=stand-in-secret-0001\r\n"
    "OpenID前缀=oBR\r\n"
    "<MESS_DEFINE>\r\n"
    "<NAME>客户通知</NAME>\r\n"
    "<TEMP_ID>TM00009-customer-notice</TEMP_ID>\r\n"
    "<URL>https://depot.example/track</URL>\r\n"
    "<MODEL>\r\n"
    "{{first.DATA}}\r\n时间：{{keyword1.DATA}}\r\n内容：{{keyword2.DATA}}\r\n"
    "状态：{{keyword3.DATA}}\r\n{{remark.DATA}}\r\n"
    "</MODEL>\r\n"
    "<PARAM>\r\n"
    "first=您有一条新的快件通知#173177\r\n"
    "keyword1=[1]\r\n"
    "keyword2=[2]#FF0000\r\n"
    "keyword3=[3]\r\n"
    "remark=客户：[4] [5]\r\n"
    "</PARAM>\r\n"
    "</MESS_DEFINE>\r\n"
    "<MESS_DEFINE>\r\n"
    "<NAME>预录取件调度</NAME>\r\n"
    "<TEMP_ID>TM00015-pickup-dispatch</TEMP_ID>\r\n"
    "<MODEL>\r\n"
    "{{first.DATA}} 单号：{{keyword1.DATA}} 寄件人：{{keyword2.DATA}} 地址：{{keyword3.DATA}}\r\n"
    "</MODEL>\r\n"
    "<PARAM>\r\n"
    "first=请上门取件#173177\r\n"
    "keyword1=[1]\r\n"
    "keyword2=[2]\r\n"
    "keyword3=[3]\r\n"
    "</PARAM>\r\n"
    "</MESS_DEFINE>\r\n";

}  // namespace

void LoadSamplePickup(Database& db) {
  std::string gbk;
  GbkFromUtf8(kDefinitions, gbk);
  Statement file(db.Handle(), "UPDATE sys_file SET vdata=? WHERE cfilename='WeChat_Mess.txt'");
  file.Bind(1, DbValue::OfBlob(gbk));
  file.Step();
  db.Exec(R"SQL(
UPDATE client_arc SET cmsn = 'oBR2customer0000000000000002' WHERE icid = 2;
UPDATE man_main SET cmsn = 'oBRcourierLi0000000000000003' WHERE mcaccount = 'li';
UPDATE man_main SET cmsn = 'oXXcourierWang00000000000004' WHERE mcaccount = 'wang';
INSERT INTO rec_pre_input(irid,icid,ddate,cnum,cemskind,csender,csphone,cdepart,csaddr,cdes,iitem,
  fweight,cgoods,iquantity,cmark,cmemo,cplan,dplan,nplan,ctaker,dtake,cpmemo,creceiver,caddr,cphone)
VALUES
 (0,2,datetime('now','localtime','-1 day'),'PR1800001','DHL','刘女士','0755-2666 0101','深圳站',
  '深圳市南山区科技园南区 8 栋','美国',2,3.5,'样品|配件',4,'VIP','请下午来取','', '1900-01-01 00:00:00',0,'',
  '1900-01-01 00:00:00','','John Smith','1 Main St, Springfield','555-0101'),
 (0,1,datetime('now','localtime','-2 hours'),'PR1800002','ZIZ国际','陈先生','13800000002','深圳站',
  '深圳市福田区华强北路 2 号','日本',1,0.8,'文件',1,'','','', '1900-01-01 00:00:00',0,'',
  '1900-01-01 00:00:00','','田中','東京都港区','03-0000-0002'),
 (0,2,datetime('now','localtime','-5 hours'),'PR1800003','DHL','O''Brien','0755-2666 0103','深圳站',
  '深圳市宝安区 3 号仓','德国',1,12.0,'机器零件',1,'','','admin',datetime('now','localtime','-4 hours'),1,'李四',
  datetime('now','localtime','-4 hours'),'已安排李四','Hans','Berlin','030-000003');
)SQL");
}

}  // namespace localserver
