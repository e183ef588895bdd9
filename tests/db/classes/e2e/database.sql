.check
.schema people
select * from people order by id
