create table t (id integer, name varchar(20), born date, primary key (id))
insert into t (id, name, born) values (2, 'O''Brien', '2002-5-7')
insert into t (id, name) values (1, 'ann');
select * from t
select name from t order by name desc
insert into t (id, name) values (1, 'again')
select nope from t
drop table t
.tables
.schema t
.check
.dump
commit
