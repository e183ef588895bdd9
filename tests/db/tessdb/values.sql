create table n (id integer, d double, f float, primary key (id))
insert into n (id, d, f) values (1, 0.00001, 0.5)
insert into n (id, d, f) values (2, 0.000001, 123.456)
insert into n (id, d, f) values (3, 1000000, 1000000)
insert into n (id, d, f) values (4, 1000000.5, 16777217)
insert into n (id, d, f) values (5, 1234567, -2.5)
insert into n (id, d, f) values (6, -0, -0)
insert into n (id, d, f) values (7, 0.1, 0.1)
insert into n (id, d, f) values (8, '1e-320', '1e-40')
insert into n (id, d, f) values (9, '1.7976931348623157e308', '3.4028235e38')
insert into n (id, d, f) values (10, 0.30000000000000004, 3.4028234)
insert into n (id, d, f) values (11, '-inf', 'inf')
insert into n (id, d) values (12, 'nan')
insert into n (id) values (13)
select * from n
select count(*), sum(id), avg(id), min(d), max(f) from n where id <= 5
select avg(id) from n where id = 1 or id = 2 or id = 4
create table s (id integer, v varchar(200), l long varchar)
insert into s (id, v, l) values (1, 'It''s "quoted"', "say ""hi""")
insert into s (id, v, l) values (2, 'two
lines', 'blank

and
.dump
end
')
insert into s (id, v, l) values (3, 'cr
lf', '	tab ; [x] ')
insert into s (id, v, l) values (4, '', '  café ÿ')
insert into s (id, v, l) values (5, 'NULL', NULL)
select id, v from s where id = 3 or id = 4
create table z ()
