-- Sample rows for a new address book: one sender chosen by default and two
-- recipients, so the first envelope shown is filled in. Lines of a multi-line
-- text are separated by CR LF.
insert into table2 (otkogo, otkyda, intyt, `default`) values (
  'ООО «Ромашка»' || char(13) || char(10) || 'Отдел доставки',
  'ул. Примерная, д. 1, офис 101' || char(13) || char(10) ||
  'г. Образцовск' || char(13) || char(10) || 'Образцовская обл.',
  123456,
  1
);
insert into `table` (name, komy, kyda, intyda, galka, `groups`, profile) values (
  'Иванов Иван Иванович',
  'Иванову' || char(13) || char(10) || 'Ивану Ивановичу',
  'ул. Вымышленная, д. 5, кв. 12' || char(13) || char(10) ||
  'г. Условный' || char(13) || char(10) || 'Условная обл.',
  654321,
  0,
  '',
  'Конверт DL'
);
insert into `table` (name, komy, kyda, intyda, galka, `groups`, profile) values (
  'Петрова Мария Сергеевна',
  'Петровой' || char(13) || char(10) || 'Марии Сергеевне',
  'пр. Небывалый, д. 10, кв. 3' || char(13) || char(10) ||
  'пос. Пробный, Образцовский р-н' || char(13) || char(10) || 'Образцовская обл.',
  234567,
  0,
  '',
  'Конверт DL'
);
