-- The address book: recipients, senders and recipient groups.
create table `table` (
  id integer primary key,
  name text,
  komy text,
  kyda text,
  intyda integer,
  galka integer,
  `groups` text,
  profile text
);
create table table2 (
  id integer primary key,
  otkogo text,
  otkyda text,
  intyt integer,
  `default` integer
);
create table `groups` (
  id integer primary key,
  pname text,
  `check` integer
);
