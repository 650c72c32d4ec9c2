// Sample tracking: the latest lines of BR10000005 (three Chinese lines at
// positions 5, 10 and 150, one English line, a header text) and two lines
// of BR10000006; BR10000005 also carries the sign-off, spare fields with a
// web address, a volume and goods with a unit price, so that the waybill
// view has something in most of its rows.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kTrackingSql = R"SQL(
UPDATE client_rec SET cmark='VIP', cby1='木箱', cby4='https://track.example.com/BR10000005',
  clwh='40*30*20', icubic=24000, ctno='T5000005', ftweight=2.6, cemskindc='ZIZ国际',
  csign='田中', dadate='2024-03-09 14:30:00', ccheckpoint='NRT', iprice=1250, cstationt='GZ',
  ndays=2, cmemo='请小心轻放' || char(13) || char(10) || '易碎 & 贵重', ctrans='孙七',
  dtdate='2024-03-06 11:00:00'
 WHERE cnum='BR10000005';
INSERT INTO check_detail(irid,wpos,npos,cdate,cplace,cinfo,cinput) VALUES
 (5,1,5,'2024-03-06 11:00','深圳','已收件','张三'),
 (5,2,10,'2024-03-07 08:00','香港','已发出','张三'),
 (5,3,150,'2024-03-09 14:30','东京','已签收','张三'),
 (6,1,5,'2024-03-07 09:00','深圳','已收件','张三'),
 (6,2,97,'2024-03-08 16:20','上海','到达转运中心','张三');
INSERT INTO check_detail_en(irid,wpos,npos,cdate,cplace,cinfo,cinput) VALUES
 (5,1,5,'2024-03-06 11:00','Shenzhen','Picked up','zhang'),
 (6,1,5,'2024-03-07 09:00','Shenzhen','Picked up','zhang');
INSERT INTO check_info(irid,cinfo) VALUES (5,'航班 CA983');
INSERT INTO check_info_en(irid,cinfo) VALUES (5,'Flight CA983');
)SQL";

}  // namespace

void LoadSampleTracking(Database& db) { db.Exec(kTrackingSql); }

}  // namespace localserver
