-- What lets several workstations share the address book on a PostgreSQL server, added to
-- the tables of schema-postgresql.sql on first use (and to an address book on a server made
-- without it, by a role allowed to). Safe to run again.

-- Dropping what is not there yet is no news.
set client_min_messages = warning;

-- Each person's ticks of recipients: a recipient is ticked for the role that ticked it, so
-- two people preparing different mailings never untick each other's. The ticks of deleted
-- recipients go with them, a statement at a time: a foreign key checking each tick would
-- double the time of ticking a whole list.
create table if not exists ticks (
  username text not null default current_user,
  id bigint not null,
  primary key (username, id)
);
create or replace function envalo_forget_ticks() returns trigger language plpgsql as $$
begin delete from ticks where id in (select id from gone); return null; end
$$;
drop trigger if exists envalo_forget_ticks on "table";
create trigger envalo_forget_ticks after delete on "table" referencing old table as gone
  for each statement execute procedure envalo_forget_ticks();

-- Every committed change of a shared table is announced to the other workstations, which
-- read the table again; the ticks, each person's own, are not.
create or replace function envalo_changed() returns trigger language plpgsql as $$
begin perform pg_notify('envalo_changes', tg_table_name); return null; end
$$;
drop trigger if exists envalo_changed on "table";
create trigger envalo_changed after insert or update or delete or truncate on "table"
  for each statement execute procedure envalo_changed();
drop trigger if exists envalo_changed on table2;
create trigger envalo_changed after insert or update or delete or truncate on table2
  for each statement execute procedure envalo_changed();
drop trigger if exists envalo_changed on "groups";
create trigger envalo_changed after insert or update or delete or truncate on "groups"
  for each statement execute procedure envalo_changed();
